#pragma once
// Who a disc is to the metadata services: its MusicBrainz disc ID and TOC
// string (through libdiscid) and its CDDB ID, from the TOC the CDDB client's
// reader returns.
#include <cstdint>
#include <string>
#include <vector>

#include "cddb/DiscInfo.h"

namespace tolvar {

struct TDiscIdentity {
  std::string MusicBrainzId;  // 28 characters; empty when libdiscid refused the TOC
  std::string FreedbId;       // 8 lower-case hex digits, every track counted
  int First = 0, Last = 0;    // the track numbers MusicBrainz counts
  uint32_t LeadOut = 0;       // sectors, the 150 of the lead-in included
  std::vector<uint32_t> Offsets;
  int AudioTracks = 0;

  // "<first> <last> <lead-out> <offset>...", blanks between the numbers.
  std::string TocString() const;
  // The browser address that attaches this disc ID to a release.
  std::string SubmitUrl() const;
};

// A data track at the end (an enhanced CD) is left out and the lead-out moved
// to its start less the 11,400 sectors of the gap between the two sessions.
TDiscIdentity ComputeDiscIdentity(const TDiscToc& Toc);

}  // namespace tolvar
