#include "WavInput.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace tolvar::wav {

uint16_t Le16(const uint8_t* P) {
  return static_cast<uint16_t>(P[0] | (P[1] << 8));
}
uint32_t Le32(const uint8_t* P) {
  return uint32_t{P[0]} | (uint32_t{P[1]} << 8) | (uint32_t{P[2]} << 16) | (uint32_t{P[3]} << 24);
}

bool ReadAt(int Fd, uint8_t* Bytes, size_t Count, uint64_t Offset) {
  while (Count > 0) {
    ssize_t Done = pread(Fd, Bytes, Count, static_cast<off_t>(Offset));
    if (Done < 0 && errno == EINTR) continue;
    if (Done <= 0) return false;
    Bytes += Done;
    Count -= static_cast<size_t>(Done);
    Offset += static_cast<uint64_t>(Done);
  }
  return true;
}

bool FindWaveData(int Fd, uint64_t FileSize, const std::array<uint8_t, 44>& Header,
                  uint64_t& DataStart, uint64_t& DataSize, uint16_t& BlockAlign,
                  uint32_t* SampleRate) {
  // Where a canonical header keeps them.
  BlockAlign = Le16(&Header[32]);
  if (SampleRate) *SampleRate = Le32(&Header[24]);
  uint64_t Offset = 12;
  while (Offset + 8 <= FileSize) {
    uint8_t Chunk[8];
    if (!ReadAt(Fd, Chunk, sizeof Chunk, Offset)) return false;
    uint64_t Size = Le32(Chunk + 4);
    uint64_t Body = Offset + 8;
    if (std::memcmp(Chunk, "data", 4) == 0) {
      DataStart = Body;
      // A size past the end (a cut-off file, or 0xFFFFFFFF from a writer that
      // streamed) means "up to the end of the file".
      DataSize = std::min(Size, FileSize - Body);
      return true;
    }
    if (std::memcmp(Chunk, "fmt ", 4) == 0 && Size >= 14 && Body + 14 <= FileSize) {
      uint8_t Format[14];
      if (!ReadAt(Fd, Format, sizeof Format, Body)) return false;
      BlockAlign = Le16(Format + 12);
      if (SampleRate) *SampleRate = Le32(Format + 4);
    }
    Offset = Body + Size + (Size & 1);
  }
  return false;
}

}  // namespace tolvar::wav
