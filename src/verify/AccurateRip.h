#pragma once
// The AccurateRip database as Tolvar uses it: the disc's IDs and the address
// of its file from the table of contents, the file's records (pressings of
// the disc) and whether a track's checksums are among them.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cddb/DiscInfo.h"

namespace tolvar {

struct TAccurateRipId {
  uint32_t Id1 = 0, Id2 = 0, Cddb = 0;
  // The disc's track number of each audio track, in disc order; its size is
  // the audio track count the IDs are made of.
  std::vector<int> Tracks;

  // "<nnn>-<id1>-<id2>-<cddb>".
  std::string Name() const;
  // The database file's address below Base (no trailing slash).
  std::string Url(const std::string& Base) const;
};

// Data tracks before or after the audio take no number; the lead-out is the
// disc's real one and the CDDB ID counts every track.
TAccurateRipId ComputeAccurateRipId(const TDiscToc& Toc);

struct TArEntry {
  uint8_t Confidence = 0;
  uint32_t Checksum = 0;
  uint32_t Sector450 = 0;
};

// One record of the file: an entry per audio track.
using TArPressing = std::vector<TArEntry>;

// The records whose header is this disc's; any other record, and a record cut
// short, is left out.
std::vector<TArPressing> ParseAccurateRip(std::string_view File, const TAccurateRipId& Id);

struct TArMatch {
  int Pressing = 0;  // from 0
  uint8_t Confidence = 0;
  bool V2 = false;  // matched by the v2 sum (else by v1 only)
};

// The first pressing whose entry for audio track Index (from 0) is V1 or V2.
std::optional<TArMatch> MatchTrack(const std::vector<TArPressing>& Pressings, size_t Index,
                                   uint32_t V1, uint32_t V2);

}  // namespace tolvar
