#include "DiscInfo.h"

#include <algorithm>
#include <cstdio>

namespace tolvar {

namespace {

uint32_t Seconds(const TDiscTocEntry& E) {
  return E.Minute * 60u + E.Second;
}

// A TOC filled by hand may claim more tracks than the array holds.
int StoredTracks(const TDiscToc& Toc) {
  return std::min<int>(Toc.TrackCount, kMaxTocTracks);
}

}  // namespace

int DigitSum(int N) {
  int Sum = 0;
  for (; N > 0; N /= 10) Sum += N % 10;
  return Sum;
}

uint32_t CddbDiscId(const TDiscToc& Toc) {
  uint32_t N = 0;
  for (int I = 0; I < StoredTracks(Toc); ++I)
    N += DigitSum(static_cast<int>(Seconds(Toc.Tracks[I])));
  // Unsigned on purpose: a lead-out before the first track wraps as the
  // protocol's 32-bit arithmetic does, with no mask on the length.
  uint32_t Length = Seconds(Toc.LeadOut) - Seconds(Toc.Tracks[0]);
  return (N % 255) << 24 | Length << 8 | Toc.TrackCount;
}

std::string FormatDiscId(uint32_t Id) {
  char Text[9];
  std::snprintf(Text, sizeof Text, "%08x", Id);
  return Text;
}

std::string BuildQueryCommand(const TDiscToc& Toc) {
  std::string Line =
      "cddb query " + FormatDiscId(CddbDiscId(Toc)) + " " + std::to_string(Toc.TrackCount);
  for (int I = 0; I < StoredTracks(Toc); ++I) {
    const TDiscTocEntry& T = Toc.Tracks[I];
    Line += ' ';
    Line += std::to_string(T.Minute * 4500u + T.Second * 75u + T.Frame);
  }
  Line += ' ';
  Line += std::to_string(Seconds(Toc.LeadOut));
  return Line;
}

}  // namespace tolvar
