#pragma once
// ID3 version 1.1 tag: the 128-byte trailer at the end of an MP3
// file. The class only writes; texts are Latin-1 bytes.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace tolvar {

inline constexpr int kID3v1GenreCount = 148;
// The 148 ID3v1 genre names; index i is the tag's genre byte i. The spellings
// of the published table are kept ("Psychadelic", "Bebob", "Progessive Rock",
// "A capella", "Trash Metal"), and lookups match these forms only.
extern const std::array<const char*, kID3v1GenreCount> ID3v1Genres;

inline constexpr size_t kID3v1TagSize = 128;
using TID3v1Bytes = std::array<char, kID3v1TagSize>;

class TID3v1 {
 public:
  TID3v1() { ResetData(); }

  // Every field back to its default: empty texts, Track 0, Genre 255 (none).
  void ResetData();

  // Each takes a short string (its first 255 bytes), removes trailing bytes
  // whose code is 32 or less and keeps the first 30 bytes (Year: 4). Leading
  // blanks stay.
  void SetTitle(std::string_view Value);
  void SetArtist(std::string_view Value);
  void SetAlbum(std::string_view Value);
  void SetYear(std::string_view Value);
  void SetComment(std::string_view Value);
  // Looks Name up in ID3v1Genres (whole names, letters A to Z folded to lower
  // case); the first match sets the genre byte, no match keeps the old one.
  void SetGenre(std::string_view Name);
  // Written directly; 0 means none. The ripper never sets it.
  void SetTrack(uint8_t Value) { FTrack = Value; }

  const std::string& Title() const { return FTitle; }
  const std::string& Artist() const { return FArtist; }
  const std::string& Album() const { return FAlbum; }
  const std::string& Year() const { return FYear; }
  const std::string& Comment() const { return FComment; }
  uint8_t Track() const { return FTrack; }
  uint8_t Genre() const { return FGenre; }

  // The 128 tag bytes as SaveToFile writes them.
  TID3v1Bytes Render() const;

  // Writes the tag at the end of FileName, replacing a version 1 tag that is
  // there. A file that cannot be opened is left as it is (and the result is
  // still true: the ripper never learns of it); false when a step failed
  // after opening.
  bool SaveToFile(const std::string& FileName) const;
  // Cuts a version 1 tag off the end of FileName if there is one.
  static bool RemoveFromFile(const std::string& FileName);

 private:
  std::string FTitle, FArtist, FAlbum, FYear, FComment;
  uint8_t FTrack = 0;
  uint8_t FGenre = 255;
};

// The file-level steps of SaveToFile. Each returns false only when a step fails
// after the file was opened; a file that cannot be opened is left unchanged and
// the step still returns true.
namespace id3v1 {

// The last 128 bytes of the file into Tag. A file shorter than 128 bytes holds
// no tag: Tag is left as it was (the caller's zeros), so nothing of it is cut.
bool ReadTag(const std::string& FileName, TID3v1Bytes& Tag);
// Clears the read-only mark and cuts the last 128 bytes off.
bool DeleteTag(const std::string& FileName);
// Clears the read-only mark and adds Tag at the end; a failed write is undone.
bool AppendTag(const std::string& FileName, const TID3v1Bytes& Tag);

}  // namespace id3v1

}  // namespace tolvar
