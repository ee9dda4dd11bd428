#pragma once
// An independent reference for the disc ID: libdiscid's freedb ID, through
// Debian's python3-libdiscid.
#include <cstdint>
#include <string>
#include <vector>

namespace tolvar::fixtures {

struct TReferenceToc {
  std::vector<uint32_t> Offsets;  // absolute frame of each track, 150 for 0:02:00
  uint32_t LeadOut = 0;           // absolute frame of the lead-out
};

// The freedb IDs (8 lower-case digits) of every TOC, in one run of python.
// Fails the test when libdiscid cannot be run.
std::vector<std::string> LibdiscidFreedbIds(const std::vector<TReferenceToc>& Tocs);
// The MusicBrainz disc IDs of the same TOCs, first track 1.
std::vector<std::string> LibdiscidMusicBrainzIds(const std::vector<TReferenceToc>& Tocs);

}  // namespace tolvar::fixtures
