#pragma once
// The CDDB client's record of the disc: its table of contents as the drive
// reports it, the disc ID computed from it, and the texts of a database entry.
// Also the protocol's disc ID and the query command line built from the TOC.
#include <array>
#include <cstdint>
#include <string>

namespace tolvar {

// One position on the disc in minutes, seconds and frames (75 a second),
// absolute: the first track of a normal disc starts at 0:02:00.
struct TDiscTocEntry {
  uint8_t Minute = 0;
  uint8_t Second = 0;
  uint8_t Frame = 0;
  bool Audio = false;  // false for a data track and always for the lead-out
};

constexpr int kMaxTocTracks = 100;

struct TDiscToc {
  uint8_t TrackCount = 0;                           // valid entries in Tracks
  TDiscTocEntry LeadOut;                            // end of the last track
  std::array<TDiscTocEntry, kMaxTocTracks> Tracks;  // disc order, Tracks[0] the first track
};

using TStringArray = std::array<std::string, 100>;
using TMatchArray = std::array<std::string, 100>;
using TEntryArray = std::array<std::string, 512>;

struct TCDInfo {
  std::string DiscID;  // 8 hexadecimal digits once set
  std::string Artist;
  std::string Title;
  std::string Year;
  std::string Genre;
  std::string ExtD;
  TStringArray TrackTitles;  // index: the track number as the entry counts (from 0)
  TStringArray ExtT;
  std::string Category;
  int32_t Revision = 0;
  TDiscToc Toc;
};

// The sum of the decimal digits of N; 0 for N <= 0.
int DigitSum(int N);
// The CDDB disc ID of a table of contents.
uint32_t CddbDiscId(const TDiscToc& Toc);
// The ID as 8 lower-case hexadecimal digits.
std::string FormatDiscId(uint32_t Id);
// "cddb query <id> <count> <frame offsets...> <length in seconds>", no line end.
std::string BuildQueryCommand(const TDiscToc& Toc);

}  // namespace tolvar
