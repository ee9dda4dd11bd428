// The reading of an AccurateRip database file and the matching of a track's
// sums against it. The first 13 bytes are the disc's own record header
// (track count, id1, id2, CDDB ID, little-endian); the rest is the file.
// Beyond not crashing, every record kept must be one of the disc's, whole,
// and a match must name an entry that really holds the sum.
#include <cstdio>
#include <cstdlib>
#include <numeric>
#include <string_view>
#include <vector>

#include "FuzzTarget.h"
#include "verify/AccurateRip.h"

using namespace tolvar;

namespace {

constexpr size_t kHeader = 13;
constexpr size_t kEntry = 9;

uint32_t U32(const uint8_t* P) {
  return P[0] | P[1] << 8 | P[2] << 16 | static_cast<uint32_t>(P[3]) << 24;
}

[[noreturn]] void Fail(const char* What, size_t A, size_t B) {
  std::fprintf(stderr, "%s: %zu, %zu\n", What, A, B);
  std::abort();
}

}  // namespace

TOLVAR_FUZZ_HARNESS(accuraterip_db) {
  if (Size < kHeader) return 0;
  TAccurateRipId Id;
  Id.Tracks.resize(Data[0]);
  std::iota(Id.Tracks.begin(), Id.Tracks.end(), 1);
  Id.Id1 = U32(Data + 1);
  Id.Id2 = U32(Data + 5);
  Id.Cddb = U32(Data + 9);
  const std::string_view File(reinterpret_cast<const char*>(Data) + kHeader, Size - kHeader);

  const std::vector<TArPressing> Pressings = ParseAccurateRip(File, Id);
  const size_t Count = Id.Tracks.size();
  if (Pressings.size() * (kHeader + Count * kEntry) > File.size())
    Fail("more records than the file holds", Pressings.size(), File.size());
  for (const TArPressing& P : Pressings)
    if (P.size() != Count) Fail("record of another track count", P.size(), Count);

  // Each track's sums taken from the last record, so a match is sure to exist
  // when there is any record; one index past the end must never match.
  for (size_t Index = 0; Index <= Count; ++Index) {
    const bool Inside = Index < Count && !Pressings.empty();
    const uint32_t V1 = Inside ? Pressings.back()[Index].Checksum ^ 0x5a5a5a5a : 0;
    const uint32_t V2 = Inside ? Pressings.back()[Index].Checksum : 0;
    const auto Match = MatchTrack(Pressings, Index, V1, V2);
    if (!Match) {
      if (Inside) Fail("the last record's own sum did not match", Index, Pressings.size());
      continue;
    }
    if (Index >= Count || Match->Pressing < 0 ||
        static_cast<size_t>(Match->Pressing) >= Pressings.size())
      Fail("match outside the records", Index, static_cast<size_t>(Match->Pressing));
    const TArEntry& E = Pressings[Match->Pressing][Index];
    if ((E.Checksum != V1 && E.Checksum != V2) || Match->V2 != (E.Checksum == V2) ||
        Match->Confidence != E.Confidence)
      Fail("match does not hold the entry's sum", Index, static_cast<size_t>(Match->Pressing));
  }
  return 0;
}
