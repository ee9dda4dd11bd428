#pragma once
// One extraction (CR_OpenRipper .. CR_CloseRipper): reads a sector range of
// a disc chunk by chunk, through cdparanoia's full mode when jitter
// correction is on and with plain reads when it is off, and hands out the
// audio in the output format of the drive parameters. The drive's read
// offset shifts what is read by whole samples; what the shifted range finds
// outside the disc's audio tracks is silence.
#include <cstdint>
#include <memory>
#include <set>
#include <utility>
#include <vector>

#include "CDRipTypes.h"
#include "OutputFormat.h"

namespace tolvar::cdrip {

class TDrive;
class TMedia;
struct TParanoia;  // libcdio-paranoia's objects, kept out of this header

class TExtraction {
 public:
  // Reads First..Last (inclusive) of Media, which Drive holds. Throws
  // std::runtime_error when the range or the parameters are unusable.
  TExtraction(TDrive& Drive, std::shared_ptr<TMedia> Media, const TDriveParams& Params,
              int32_t First, int32_t Last);
  ~TExtraction();
  TExtraction(const TExtraction&) = delete;
  TExtraction& operator=(const TExtraction&) = delete;

  // The size of the buffer that Chunk fills at most.
  int32_t BufferBytes() const { return ChunkBytes; }
  // CR_RipChunk: 0 data, 3 data with corrected or lost sectors, 4 done.
  int32_t Chunk(uint8_t* Buffer, int32_t& NumBytes, bool Abort);
  int32_t PercentCompleted() const;
  int32_t JitterErrors() const { return ErrorCount; }
  void LastErrorPosition(int32_t& Start, int32_t& End) const {
    Start = ErrorStart;
    End = ErrorEnd;
  }

 private:
  // Reads the audio of Count sectors at Next, shifted by the read offset,
  // into Into; false when some had to be corrected or could not be read
  // (those become silence).
  bool ReadSectors(int32_t Count, uint8_t* Into);
  // Count disc sectors from Sector, unshifted; sectors outside the audio
  // tracks are silence without a read.
  void ReadDisc(int32_t Sector, int32_t Count, uint8_t* Into);
  void ReadPlain(int32_t Sector, int32_t Count, uint8_t* Into);
  void ReadParanoid(int32_t Sector, int32_t Count, uint8_t* Into);
  // The run of audio sectors that holds Sector, or {1, 0} when it holds none.
  std::pair<int32_t, int32_t> AudioRun(int32_t Sector) const;
  void NoteError(int32_t Start, int32_t End);
  // Notes trouble in disc sector Sector against the range's sector it feeds.
  void NoteBadDiscSector(int32_t Sector);
  void NoteBadSector(int32_t Sector);
  // True when no sector of the chunk at Next had trouble; else the trouble's
  // first and last sector become the last error position.
  bool ChunkIsClean(int32_t Count);

  TDrive& Drive;
  std::shared_ptr<TMedia> Media;
  std::unique_ptr<TParanoia> Paranoia;
  TFormatConverter Converter;
  int32_t First, Last, Next;
  // The read offset as whole sectors and the bytes of one more sector.
  int32_t ShiftSectors = 0;
  int32_t ShiftBytes = 0;
  int32_t DiscNext = 0;          // the next disc sector to read when ShiftBytes > 0
  std::vector<uint8_t> Shifted;  // disc sectors read for a chunk, when ShiftBytes > 0
  std::vector<uint8_t> Lead;     // the last sector's bytes the next chunk starts with
  int32_t ParanoiaAt = -1;       // the sector paranoia delivers next
  int32_t ChunkSectors;
  int32_t ChunkBytes;
  int32_t Retries;
  bool SwapChannels;
  bool Flushed = false;
  std::vector<uint8_t> Raw;      // the chunk as read, stereo 44100, when it is converted
  std::vector<uint8_t> Pending;  // converted audio not handed out yet
  size_t PendingAt = 0;
  std::set<int32_t> BadSectors;  // sectors paranoia had trouble with, in the range
  int32_t ErrorCount = 0;        // sectors with trouble (and one for a disc that left)
  int32_t ErrorStart = 0, ErrorEnd = 0;
};

}  // namespace tolvar::cdrip
