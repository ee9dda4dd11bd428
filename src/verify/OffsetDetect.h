#pragma once
// Finds a drive's read offset from a disc the AccurateRip database knows:
// the sector-450 sums of the database's pressings are compared with the sums
// of the audio read at offset 0, shifted by every offset in range. Each
// track's sector 450 is read once, with the range's margin on both sides.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "AccurateRip.h"

namespace tolvar {

inline constexpr int32_t kMaxReadOffset = 2940;  // samples, either way

class TOffsetFinder {
 public:
  // One audio track: its start sector and length in sectors, in disc order.
  struct TTrackSpan {
    int32_t StartSector = 0;
    int32_t Sectors = 0;
  };
  // The sectors to read for one track, at offset 0.
  struct TWindow {
    size_t Track = 0;  // index into the spans
    int32_t FirstSector = 0, LastSector = 0;
  };

  // LeadOut: the disc's lead-out sector; nothing at or past it is read.
  TOffsetFinder(std::vector<TArPressing> Pressings, const std::vector<TTrackSpan>& Tracks,
                int32_t LeadOut);

  // The tracks long enough to have a sector 450 and an entry to compare.
  const std::vector<TWindow>& Windows() const { return FWindows; }
  // The next bytes of window Window's audio, read at offset 0.
  void Feed(size_t Window, const uint8_t* Bytes, size_t Size);
  // The offset at which the sums of at least two tracks match one pressing
  // (the most tracks, then the smallest offset wins); none when there is no
  // such offset.
  std::optional<int32_t> Find() const;

 private:
  std::vector<TArPressing> FPressings;
  std::vector<TWindow> FWindows;
  std::vector<std::vector<uint8_t>> FAudio;  // per window; silence where nothing came
  std::vector<size_t> FFilled;
};

// "+6", "-30", "0".
std::string OffsetText(int32_t Offset);

}  // namespace tolvar
