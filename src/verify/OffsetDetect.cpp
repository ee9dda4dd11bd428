#include "OffsetDetect.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace tolvar {

namespace {

constexpr int32_t kSectorFrames = 588;
constexpr int32_t kSectorBytes = kSectorFrames * 4;
constexpr int32_t kMarginSectors = kMaxReadOffset / kSectorFrames;  // 5, exactly
static_assert(kMarginSectors * kSectorFrames == kMaxReadOffset);
constexpr int32_t kWindowSectors = 2 * kMarginSectors + 1;

}  // namespace

TOffsetFinder::TOffsetFinder(std::vector<TArPressing> Pressings,
                             const std::vector<TTrackSpan>& Tracks, int32_t LeadOut)
    : FPressings(std::move(Pressings)) {
  for (size_t T = 0; T < Tracks.size(); ++T) {
    const bool Listed = std::any_of(FPressings.begin(), FPressings.end(), [T](const auto& P) {
      return T < P.size() && P[T].Sector450 != 0;
    });
    if (!Listed || Tracks[T].Sectors <= 450) continue;
    const int32_t First = Tracks[T].StartSector + 450 - kMarginSectors;
    const int32_t Last = std::min(First + kWindowSectors - 1, LeadOut - 1);
    FWindows.push_back({T, First, Last});
  }
  FAudio.assign(FWindows.size(), std::vector<uint8_t>(size_t{kWindowSectors} * kSectorBytes, 0));
  FFilled.assign(FWindows.size(), 0);
}

void TOffsetFinder::Feed(size_t Window, const uint8_t* Bytes, size_t Size) {
  if (Window >= FAudio.size()) return;
  std::vector<uint8_t>& Audio = FAudio[Window];
  const size_t Take = std::min(Size, Audio.size() - FFilled[Window]);
  std::memcpy(Audio.data() + FFilled[Window], Bytes, Take);
  FFilled[Window] += Take;
}

std::optional<int32_t> TOffsetFinder::Find() const {
  std::optional<int32_t> Best;
  size_t BestTracks = 0;
  for (int32_t K = -kMaxReadOffset; K <= kMaxReadOffset; ++K) {
    std::vector<size_t> Matches(FPressings.size(), 0);
    for (size_t W = 0; W < FWindows.size(); ++W) {
      // Sector 450 starts kMaxReadOffset frames into the window; K shifts it.
      const uint8_t* At = FAudio[W].data() + size_t(kMaxReadOffset + K) * 4;
      uint32_t Sum = 0;
      for (uint32_t J = 0; J < kSectorFrames; ++J, At += 4)
        Sum += (At[0] | At[1] << 8 | At[2] << 16 | uint32_t(At[3]) << 24) * (J + 1);
      const size_t Track = FWindows[W].Track;
      for (size_t P = 0; P < FPressings.size(); ++P)
        if (Track < FPressings[P].size() && FPressings[P][Track].Sector450 != 0 &&
            FPressings[P][Track].Sector450 == Sum)
          ++Matches[P];
    }
    const size_t Most = Matches.empty() ? 0 : *std::max_element(Matches.begin(), Matches.end());
    // One track alone could match by chance.
    if (Most >= 2 && (Most > BestTracks || (Most == BestTracks && std::abs(K) < std::abs(*Best)))) {
      BestTracks = Most;
      Best = K;
    }
  }
  return Best;
}

std::string OffsetText(int32_t Offset) {
  return (Offset > 0 ? "+" : "") + std::to_string(Offset);
}

}  // namespace tolvar
