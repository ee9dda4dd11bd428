#pragma once
// A track's checksums, fed chunk by chunk as the audio is read, so verifying
// a rip costs no second pass over the disc: both AccurateRip sums, the
// sector-450 sum that locates the read offset, the CRC-32 of the bytes and
// the peak level.
#include <cstddef>
#include <cstdint>

namespace tolvar {

// The frames the AccurateRip sums leave out at the disc's two ends.
inline constexpr uint64_t kArSkipFrames = 2940;

class TTrackChecksums {
 public:
  // Frames: the track's length in stereo frames. First and Last: whether it
  // is the disc's first or last audio track (a one-track disc is both).
  TTrackChecksums(uint64_t Frames, bool First, bool Last);

  // The next bytes of the track's 16-bit little-endian stereo audio; a chunk
  // may end inside a frame.
  void Feed(const uint8_t* Bytes, size_t Size);

  uint32_t V1() const { return FV1; }
  uint32_t V2() const { return FV2; }
  uint32_t Sector450() const { return FSector450; }
  uint32_t Crc32() const { return FCrc; }
  // The largest sample magnitude, 0 … 32768.
  uint32_t Peak() const { return FPeak; }

 private:
  // Count whole frames.
  void Frames(const uint8_t* Bytes, size_t Count);

  uint64_t FFrom, FTo;     // the counted positions, from 1
  uint64_t FPosition = 0;  // of the last whole frame fed
  uint32_t FV1 = 0, FV2 = 0, FSector450 = 0, FCrc = 0, FPeak = 0;
  uint8_t FPartial[4] = {};
  size_t FPartialSize = 0;
};

}  // namespace tolvar
