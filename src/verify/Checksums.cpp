#include "Checksums.h"

#include <libdeflate.h>

#include <algorithm>
#include <cstdlib>

namespace tolvar {

namespace {

constexpr uint64_t kSectorFrames = 588;
constexpr uint64_t kSector450First = 450 * kSectorFrames + 1;

}  // namespace

TTrackChecksums::TTrackChecksums(uint64_t Frames, bool First, bool Last)
    : FFrom(First ? kArSkipFrames : 1),
      FTo(Last ? (Frames > kArSkipFrames ? Frames - kArSkipFrames : 0) : Frames) {}

void TTrackChecksums::Feed(const uint8_t* Bytes, size_t Size) {
  // libdeflate's CRC uses the processor's carry-less multiply where it has one.
  FCrc = libdeflate_crc32(FCrc, Bytes, Size);
  size_t At = 0;
  if (FPartialSize > 0) {
    while (FPartialSize < 4 && At < Size) FPartial[FPartialSize++] = Bytes[At++];
    if (FPartialSize < 4) return;
    Frames(FPartial, 1);
    FPartialSize = 0;
  }
  const size_t Whole = (Size - At) / 4;
  Frames(Bytes + At, Whole);
  At += Whole * 4;
  while (At < Size) FPartial[FPartialSize++] = Bytes[At++];
}

void TTrackChecksums::Frames(const uint8_t* Bytes, size_t Count) {
  // Separate plain loops over locals, so the compiler can vectorise them:
  // stores to members could alias the bytes read.
  auto Value = [Bytes](size_t K) {
    const uint8_t* B = Bytes + 4 * K;
    return B[0] | B[1] << 8 | B[2] << 16 | uint32_t(B[3]) << 24;
  };
  // The extremes stay 16-bit, so the loop takes eight samples a step.
  int16_t Low = 0, High16 = 0;
  for (size_t K = 0; K < 2 * Count; ++K) {
    const auto Sample = static_cast<int16_t>(Bytes[2 * K] | Bytes[2 * K + 1] << 8);
    Low = std::min(Low, Sample);
    High16 = std::max(High16, Sample);
  }
  FPeak = std::max({FPeak, static_cast<uint32_t>(-int32_t{Low}), static_cast<uint32_t>(High16)});
  // The frames of this call at counted positions: K from Begin to End, at
  // position FPosition + K + 1. Positions stay far below 2^32 on a CD.
  const uint64_t First = FPosition + 1;
  const size_t Begin =
      static_cast<size_t>(std::min<uint64_t>(FFrom > First ? FFrom - First : 0, Count));
  const size_t End =
      static_cast<size_t>(std::min<uint64_t>(FTo + 1 > First ? FTo + 1 - First : 0, Count));
  uint32_t V1 = FV1, High = 0;
  for (size_t K = Begin; K < End; ++K) {
    const uint64_t Product = uint64_t{Value(K)} * static_cast<uint32_t>(First + K);
    V1 += static_cast<uint32_t>(Product);
    High += static_cast<uint32_t>(Product >> 32);
  }
  FV2 += V1 - FV1 + High;
  FV1 = V1;
  const size_t From450 = static_cast<size_t>(
      std::min<uint64_t>(kSector450First > First ? kSector450First - First : 0, Count));
  const size_t To450 = static_cast<size_t>(std::min<uint64_t>(
      kSector450First + kSectorFrames > First ? kSector450First + kSectorFrames - First : 0,
      Count));
  for (size_t K = From450; K < To450; ++K)
    FSector450 += Value(K) * static_cast<uint32_t>(First + K - kSector450First + 1);
  FPosition += Count;
}

}  // namespace tolvar
