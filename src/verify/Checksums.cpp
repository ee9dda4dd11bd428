#include "Checksums.h"

#include <zlib.h>

#include <algorithm>
#include <cstdlib>

namespace tolvar {

namespace {

constexpr uint64_t kSectorFrames = 588;
constexpr uint64_t kSector450First = 450 * kSectorFrames + 1;

uint32_t SampleMagnitude(uint16_t Raw) {
  return static_cast<uint32_t>(std::abs(static_cast<int>(static_cast<int16_t>(Raw))));
}

}  // namespace

TTrackChecksums::TTrackChecksums(uint64_t Frames, bool First, bool Last)
    : FFrom(First ? kArSkipFrames : 1),
      FTo(Last ? (Frames > kArSkipFrames ? Frames - kArSkipFrames : 0) : Frames) {
  FCrc = static_cast<uint32_t>(crc32(0, nullptr, 0));
}

void TTrackChecksums::Feed(const uint8_t* Bytes, size_t Size) {
  // zlib takes at most a uInt per call.
  for (size_t Done = 0; Done < Size;) {
    const size_t Part = std::min<size_t>(Size - Done, 1u << 30);
    FCrc = static_cast<uint32_t>(crc32(FCrc, Bytes + Done, static_cast<uInt>(Part)));
    Done += Part;
  }
  size_t At = 0;
  if (FPartialSize > 0) {
    while (FPartialSize < 4 && At < Size) FPartial[FPartialSize++] = Bytes[At++];
    if (FPartialSize < 4) return;
    Frame(FPartial[0] | FPartial[1] << 8 | FPartial[2] << 16 |
          static_cast<uint32_t>(FPartial[3]) << 24);
    FPartialSize = 0;
  }
  for (; At + 4 <= Size; At += 4)
    Frame(Bytes[At] | Bytes[At + 1] << 8 | Bytes[At + 2] << 16 |
          static_cast<uint32_t>(Bytes[At + 3]) << 24);
  while (At < Size) FPartial[FPartialSize++] = Bytes[At++];
}

void TTrackChecksums::Frame(uint32_t Value) {
  const uint64_t I = ++FPosition;
  FPeak = std::max({FPeak, SampleMagnitude(static_cast<uint16_t>(Value)),
                    SampleMagnitude(static_cast<uint16_t>(Value >> 16))});
  if (I >= FFrom && I <= FTo) {
    const uint64_t Product = static_cast<uint64_t>(Value) * I;
    FV1 += static_cast<uint32_t>(Product);
    FV2 += static_cast<uint32_t>(Product) + static_cast<uint32_t>(Product >> 32);
  }
  if (I >= kSector450First && I < kSector450First + kSectorFrames)
    FSector450 += Value * static_cast<uint32_t>(I - kSector450First + 1);
}

}  // namespace tolvar
