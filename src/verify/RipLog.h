#pragma once
// The rip log: a UTF-8 text that records how a rip was made and what its
// verification found, sealed by a last line with the SHA-256 of every byte
// before it, so a log that was edited afterwards can be told.
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "RipVerification.h"

namespace tolvar {

struct TRipLogTrack {  // one row of the table of contents
  int Number = 0;
  int32_t StartSector = 0, EndSector = 0;
  bool Audio = true;
};

struct TRipLogInfo {
  std::string Program;  // "Tolvar 0.9.0"
  std::string Date;     // as it should read, e.g. "2024-05-01 14:03:22 +0200"
  std::string Drive;    // the drive's name as the CD library lists it
  int32_t ReadOffset = 0;
  bool Paranoia = false;  // read through paranoia, else plain reads
  bool TestAndCopy = false;
  std::vector<TRipLogTrack> Toc;
  std::string AccurateRipId;   // "<nnn>-<id1>-<id2>-<cddb>"
  std::string MetadataSource;  // "MusicBrainz", "CDDB", "CD-Text", or "none"
  std::vector<std::pair<std::string, std::string>> MetadataIds;  // ("MusicBrainz disc ID", ...)
};

// The whole log, its checksum line last.
std::string RipLogText(const TRipLogInfo& Info, const TRipVerification& Verification);

// Lower-case hex SHA-256 of Bytes.
std::string Sha256Hex(std::string_view Bytes);
// True when Text ends in a checksum line whose value is the SHA-256 of every
// byte before that line.
bool LogChecksumOk(std::string_view Text);

}  // namespace tolvar
