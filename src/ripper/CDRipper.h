#pragma once
// TCDRipper: the component through which the window reaches the CD drives.
// This unit holds its state: the drive list, the active drive and
// its parameters, the disc information, the track table, media arrival and
// removal, and the status and list events. Ripping and playback
// build on it.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "CDRipIntf.h"
#include "encoders/StreamEncoder.h"
#include "tags/TagModel.h"

struct TVbEncConfig;  // the Vorbis library's encoder configuration

namespace tolvar {

class TLameCoder;  // the MP3 encoder component
struct TOggRipInfo;

class ECDRIPError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The drive-specific values of the drive parameters, as the component keeps them.
class TDriveTableClass {
 public:
  int32_t DriveType = cdrip::GENERIC;      // TDriveType
  int32_t ReadMethod = cdrip::READMMC;     // TReadMethod
  int32_t SetSpeed = cdrip::SPEEDNONE;     // TSetSpeed
  int32_t Endian = cdrip::BIGENDIAN;       // TEndian
  int32_t EnableMode = cdrip::ENABLENONE;  // TEnableMode
  int32_t Density = 0;
  int32_t Atapi = 0;  // LongBool

  void AssignFrom(const cdrip::TDriveTable& Table);
};

// One track of the table of contents.
class TTrack {
 public:
  int32_t Number = 0;       // from 1
  int32_t StartSector = 0;  // first sector
  int32_t EndSector = 0;    // the next entry's start minus 1
  int32_t Duration = 0;     // milliseconds, Trunc((End - Start) / 0.075)
  std::string Kind;         // "Audio" when the flags byte is exactly 16, else "Data"
};

// The Tracks list: one string ("Track" + two digits) and one owned TTrack per entry.
class TTrackList {
 public:
  int Count() const { return static_cast<int>(Items.size()); }
  const std::string& Strings(int Index) const { return Items.at(Index).Text; }
  TTrack* Objects(int Index) const { return Items.at(Index).Track.get(); }
  void Add(std::string Text, std::unique_ptr<TTrack> Track) {
    Items.push_back({std::move(Text), std::move(Track)});
  }
  void Clear() { Items.clear(); }

 private:
  struct TItem {
    std::string Text;
    std::unique_ptr<TTrack> Track;
  };
  std::vector<TItem> Items;
};

// Seven text slots of up to 128 characters in UTF-8 (at most four bytes each)
// and a terminating zero.
constexpr size_t kTagSlotChars = 128;
constexpr size_t kTagSlotSize = 4 * kTagSlotChars + 1;
struct TTagInfo {
  char Title[kTagSlotSize];
  char Artist[kTagSlotSize];
  char Album[kTagSlotSize];
  char Genre[kTagSlotSize];
  char Comment[kTagSlotSize];
  char Encoder[kTagSlotSize];
  char Year[kTagSlotSize];
};
static_assert(sizeof(TTagInfo) == 7 * kTagSlotSize);
// Stores Text in a slot, cut to 128 characters; reads a slot up to its first zero.
void SetTagText(char (&Slot)[kTagSlotSize], const std::string& Text);
std::string TagText(const char (&Slot)[kTagSlotSize]);

class TCDRipper {
 public:
  using TNotifyEvent = std::function<void(TCDRipper* Sender)>;
  using TProcessTrackEvent = std::function<void(TCDRipper* Sender, uint16_t TrackNum)>;
  using TProgressEvent = std::function<void(TCDRipper* Sender, uint16_t PercentComplete)>;

  TCDRipper();
  ~TCDRipper();
  TCDRipper(const TCDRipper&) = delete;
  TCDRipper& operator=(const TCDRipper&) = delete;

  // ---- Published properties, in their published order ----
  TNotifyEvent OnListChanged;
  TNotifyEvent OnStatusChanged;
  TNotifyEvent OnDrivesChanged;
  TLameCoder* Coder() const { return FCoder; }
  void SetCoder(TLameCoder* Value);  // stores the reference and updates the encoder
  int CDRomNum() const { return FCDRomNum; }
  void SetCDRomNum(int Value);
  TDriveTableClass* DriveTable() const { return FDriveTable.get(); }
  TOutputFormat OutputFormat() const { return FOutputFormat; }
  void SetOutputFormat(TOutputFormat Value);
  bool Encode = false;
  bool WriteWAV = false;
  bool JitterCorrect() const { return FJitterCorrect; }
  void SetJitterCorrect(bool Value);
  std::string Version;
  int TrackNum() const { return FTrackNum; }
  const TTrackList& Tracks() const { return FTracks; }
  const std::vector<std::string>& Jitters() const { return FJitters; }
  int JittersNum() const { return FJittersNum; }
  int Speed = 0;
  TProcessTrackEvent OnBeginTrack;
  TProcessTrackEvent OnEndTrack;
  TProgressEvent OnProgress;
  // Each chunk of audio as the library delivered it, before it is encoded or
  // written: the owner's checksums see exactly what the file holds.
  std::function<void(const uint8_t* Bytes, size_t Size)> OnAudioRead;
  std::string FileName;

  // ---- Public state ----
  TDriveParams Params{};                     // the active drive's parameters, whole
  char DriveID[sizeof(TDriveParams::ID)]{};  // copy of Params.ID, taken whenever they are read
  std::vector<std::string> Drives;           // one name per drive, in the library's order
  int DriveCount = 0;
  std::vector<std::string> TrackLines;  // one display line per track of DiscInfo
  TDiscInfo DiscInfo;
  bool DiscInfoValid = false;
  std::string StatusText;
  TTagInfo TagInfo{};
  // The tag fields beyond TagInfo's texts, for every format. A track number
  // of 0 means the ripped track's own (when one track is ripped), a total of
  // 0 the disc's count of tracks.
  TTagExtras TagExtras;
  // Rip & encode into FLAC or Opus instead of MP3 through Coder (empty).
  std::optional<TStreamSettings> StreamEncoding;
  float VorbisQuality = 0;
  bool Ripping = false;    // an Ogg rip runs
  bool Cancel = false;     // stop request of the WAV/MP3 rip loop
  bool OggCancel = false;  // stop request of the Ogg rip loop
  // "Process pending messages", installed by the owner: the window passes
  // its event processing, tolvar-cli pumps its own loop once. Long jobs call
  // it between chunks.
  std::function<void()> ProcessMessages;

  // ---- Operations ----
  void Init();
  void LoadDrive();
  void SelectDrive(int Index);
  void ReadDiscInfo();
  void DeviceChange(int EventCode);
  bool CheckDisc();
  bool CanPlay();
  void SetStatus(const std::string& Text);
  bool ApplyParameters();
  // The active drive's read offset in samples; it reaches the library with
  // the next ApplyParameters and stays with that drive.
  int32_t ReadOffset() const { return Params.ReadOffset; }
  void SetReadOffset(int32_t Samples) { Params.ReadOffset = Samples; }
  TTrack* GetTrack(int Index) const;
  int TrackDuration(int Index) const;
  // Asks a running rip to stop.
  void Abort();
  // Sets the encoder's mode and sample rate from OutputFormat.
  void UpdateCoder();

  // ---- Playback and tray (CDRipperPlay.cpp); track numbers from 1 ----
  void PlayTrack(int Track);
  void Pause();
  void Resume();
  void Stop();
  void Eject();
  void CloseTray();

  // ---- Ripping (CDRipperRip.cpp, CDRipperOgg.cpp) ----
  // Rips tracks FirstTrack..LastTrack of Tracks (LastTrack -1: FirstTrack
  // alone) into FileName as WAV, raw PCM or MP3, and tags an MP3 result.
  // False when the library refused the range (no file was made). Throws
  // ECDRIPError (also when the tags cannot be written), and EFCreateError
  // (RipFile.h) for a file it cannot create.
  bool Rip(int FirstTrack, int LastTrack = -1);
  // The rip loop: FirstSector..LastSector into Name. False when the library
  // refused the range. A FLAC or Opus stream gets Tags (TagInfo's texts alone
  // when null).
  bool RipSectors(int32_t FirstSector, int32_t LastSector, const std::string& Name,
                  const TTagModel* Tags = nullptr);
  // Reads FirstSector..LastSector as RipSectors does, handing every chunk to
  // OnAudioRead and writing nothing (a test read, a verification). False
  // when the library refused the range or a chunk failed (the read ends
  // there); Cancel stops it. Throws ECDRIPError
  // when the drive parameters are refused.
  bool ReadSectors(int32_t FirstSector, int32_t LastSector);
  // The tags of a rip of FirstTrack..LastTrack (-1: FirstTrack alone), for
  // every format: TagInfo's texts (the year as the date) and TagExtras.
  TTagModel TagModel(int FirstTrack, int LastTrack) const;
  // Rips the same range of DiscInfo entries into FileName as Ogg Vorbis;
  // failures are shown as message boxes. True when the file was made whole
  // (not after a stop). Throws EFCreateError.
  bool RipOgg(int FirstTrack, int LastTrack = -1);
  // The Ogg stream's information for Track..LastTrack (-1: Track alone),
  // dated today (DateText).
  void OggRipInfo(int Track, int LastTrack, TOggRipInfo& Stream);
  int32_t LastChunkResult = 0;  // the Ogg rip's last CR_RipChunk result
  std::string DateText;         // today's date, for the Ogg stream's comments

 private:
  friend class TRipPipeline;  // its reader keeps the jitter list as the rip loop does
  // After each chunk a read loop took: notes a jitter the library reported
  // and reports the progress.
  void NoteChunk(int32_t Result);
  void RebuildTracks();  // Tracks from the table the library read last

  TLameCoder* FCoder = nullptr;
  int FCDRomNum = 0;
  std::unique_ptr<TDriveTableClass> FDriveTable;
  TOutputFormat FOutputFormat = cdrip::STEREO44100;
  bool FJitterCorrect = false;
  int FTrackNum = 0;
  TTrackList FTracks;
  std::vector<std::string> FJitters;
  int FJittersNum = 0;

  // The Ogg rip and its working state.
  int EncodeOgg(int Track, const std::string& Name, int LastTrack, const TVbEncConfig& Config);
  int32_t FillRaw(int32_t Request);
  std::vector<uint8_t> RipBuffer, RawBuffer, OutBuffer;
  int32_t ValidBytes = 0, ReadPos = 0;  // bytes of the last chunk, and bytes of it taken
  int32_t RipPercent = 0;               // the percentage FillRaw last read
  bool ChunksEnded = false, ChunkFailed = false;
};

// The track's Duration as the Time column shows it: "h:mm:ss" (hours mod 24).
std::string TrackTimeText(const TTrack& Track);

}  // namespace tolvar
