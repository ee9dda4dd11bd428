#pragma once
// How rip jobs name their files and choose the rows of a single-file rip. The
// window and tolvar-cli share these so both name files alike.
#include <string>
#include <vector>

namespace tolvar {

struct TTagInfo;

// The longest file name (one path component) the file system takes, in bytes.
inline constexpr size_t kMaxFileNameBytes = 255;
// Each text part of a name is used up to this many characters.
inline constexpr size_t kMaxNamePart = 999;

// Texts of rip jobs: the artist of new rows and of the disc before any CDDB
// result, the comment of new rows and single-file rips, and TagInfo's Encoder.
inline constexpr const char* kUnknownText = "Unknown";
inline constexpr const char* kRipComment = "Ripped by Tolvar";
inline constexpr const char* kRipEncoderText = "Tolvar 0.9 beta";

// Folder + "/" + two-digit track number + " " + Artist + " - " + Title + Ext.
// Artist and Title are made safe as name parts and shortened (never inside a
// character) so the name fits.
std::string SeparateTrackFileName(const std::string& Folder, int RowIndex,
                                  const std::string& Artist, const std::string& Title,
                                  const std::string& Ext);

// Folder + "/" + ["NN_MM "] + DiscArtist + " - " + DiscTitle + Ext; the number
// prefix is left out when the region covers the whole disc.
std::string SingleTrackFileName(const std::string& Folder, int First, int Last, int RowCount,
                                const std::string& DiscArtist, const std::string& DiscTitle,
                                const std::string& Ext);

// Fills the ripper's tag fields for the next file; Encoder is kRipEncoderText.
void SetRipTags(TTagInfo& Info, const std::string& Title, const std::string& Artist,
                const std::string& Album, const std::string& Genre, const std::string& Comment,
                const std::string& Year);

enum class TRegionKind {
  Region,    // rip rows First..Last into one file
  Separate,  // exactly one checked row that is not the last: rip it as a separate track
  Invalid    // nothing checked, or a gap between checked rows
};

struct TRegion {
  TRegionKind Kind = TRegionKind::Invalid;
  int First = -1;
  int Last = -1;
};

// Finds the one contiguous run of checked rows for a single-file rip.
TRegion FindSingleTrackRegion(const std::vector<bool>& Checked);

// Replaces the extension of a path's last component (or appends one).
std::string ChangeFileExt(const std::string& Path, const std::string& Ext);

}  // namespace tolvar
