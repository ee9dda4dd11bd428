#pragma once
// ID3 version 2.3.0 tag at the start of an MP3 file. The tag is
// written in place when the old tag has room for it, else the file is rebuilt
// behind a new tag padded to 4096 bytes. The class only writes. Texts are
// UTF-8; a frame is written in ISO-8859-1 (text encoding 0) when that holds its
// text, else in UTF-16 with a byte-order mark (text encoding 1).
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tolvar {

inline constexpr int kID3v2FrameCount = 12;
// The frame identifiers, in the order the frames are written.
extern const std::array<const char*, kID3v2FrameCount> FrameIds;

// A new tag (a rebuilt file) takes this many bytes, header included, unless
// its frames need more.
inline constexpr int kID3v2PaddedSize = 4096;

// A frame written after the twelve, each frame as many times as it is listed:
// its identifier and content (a text frame's without its encoding byte).
struct TID3v2Frame {
  std::string Id;
  std::string Content;
  uint8_t Encoding = 0;  // the text encoding byte, as in TTagLayout::Encodings
};

// What SaveToFile works on: the old header, the new frames and the choices made.
struct TTagLayout {
  std::array<uint8_t, 10> Header{};  // the header read from the file, then the one to write
  int64_t FileSize = 0;              // as found when the header was read
  // Each frame's content without its encoding byte; an empty one is left out.
  std::array<std::string, kID3v2FrameCount> Frames;
  // Each frame's text encoding byte: 0 ISO-8859-1, 1 UTF-16 with byte-order mark.
  std::array<uint8_t, kID3v2FrameCount> Encodings{};
  std::vector<TID3v2Frame> MoreFrames;  // after Frames, in their order; empty ones left out
  bool Rewrite = false;                 // the whole file must be rewritten
  int64_t Padding = 0;                  // zero bytes after the frames; negative means none
};

class TID3v2 {
 public:
  TID3v2() { ResetData(); }

  // Empties every field and sets Track to 0.
  void ResetData();

  // Each removes leading and trailing bytes whose code is 32 or less and keeps
  // the rest whole (no length limit).
  void SetTitle(std::string_view Value);
  void SetArtist(std::string_view Value);
  void SetAlbum(std::string_view Value);
  void SetYear(std::string_view Value);
  void SetGenre(std::string_view Value);  // the genre name itself, no numeric form
  void SetComment(std::string_view Value);
  void SetEncoder(std::string_view Value);
  void SetLink(std::string_view Value);
  void SetAlbumArtist(std::string_view Value);  // TPE2
  void SetIsrc(std::string_view Value);         // TSRC
  // A TXXX frame: a value under a description such as "MusicBrainz Album Id".
  void AddUserText(std::string_view Description, std::string_view Value);
  // The UFID frame: an identifier (up to 64 bytes) given by Owner's database.
  void SetUniqueFileId(std::string_view Owner, std::string_view Identifier);
  // TRCK is "Track/TrackTotal", TPOS "Disc/DiscTotal"; a total of 0 is left
  // out, and a number of 0 writes no frame.
  void SetTrackTotal(uint16_t Value) { FTrackTotal = Value; }
  void SetDisc(uint16_t Number, uint16_t Total) {
    FDisc = Number;
    FDiscTotal = Total;
  }
  // Written directly, without trimming.
  void SetTrack(uint16_t Value) { FTrack = Value; }
  void SetComposer(std::string_view Value) { FComposer = Value; }
  void SetCopyright(std::string_view Value) { FCopyright = Value; }
  void SetLanguage(std::string_view Value) { FLanguage = Value; }

  const std::string& Title() const { return FTitle; }
  const std::string& Artist() const { return FArtist; }
  const std::string& Album() const { return FAlbum; }
  uint16_t Track() const { return FTrack; }
  const std::string& Year() const { return FYear; }
  const std::string& Genre() const { return FGenre; }
  const std::string& Comment() const { return FComment; }
  const std::string& Composer() const { return FComposer; }
  const std::string& Encoder() const { return FEncoder; }
  const std::string& Copyright() const { return FCopyright; }
  const std::string& Language() const { return FLanguage; }
  const std::string& Link() const { return FLink; }

  // Puts the frame contents of the fields into Layout.Frames.
  void FillFrames(TTagLayout& Layout) const;
  // The bytes SaveToFile writes into a file that has no tag yet: the frames,
  // padded to 4096 bytes when they fit.
  std::string Render() const;

  // Writes the tag into FileName; true when it was written. A missing file is
  // never created, and a file shorter than 10 bytes is never changed.
  bool SaveToFile(const std::string& FileName) const;

 private:
  std::string FTitle, FArtist, FAlbum, FYear, FGenre, FComment;
  std::string FComposer, FEncoder, FCopyright, FLanguage, FLink;
  uint16_t FTrack = 0;
  std::string FAlbumArtist, FIsrc, FFileOwner, FFileId;
  std::vector<std::pair<std::string, std::string>> FUserTexts;
  uint16_t FTrackTotal = 0, FDisc = 0, FDiscTotal = 0;
};

// The file-level steps of SaveToFile.
namespace id3v2 {

// Reads the first 10 bytes of FileName into Layout.Header and its size into
// Layout.FileSize; true when 10 bytes were read.
bool ReadHeader(const std::string& FileName, TTagLayout& Layout);
// Bytes taken by the tag that Layout.Header describes (header and footer
// included), or 0 when that is more than the file holds.
int64_t GetTagSize(const TTagLayout& Layout);
// Sets Rewrite, Padding and the new Header from the old Header and the Frames.
void BuildHeader(TTagLayout& Layout);
// BuildHeader, then the tag's bytes: header, frames, padding. Empty when the
// tag would be too large for the header's size field (256 MiB).
std::string RenderTag(TTagLayout& Layout);
// Renders the tag and puts it into the file, in place or by rebuilding it.
bool WriteTag(const std::string& FileName, TTagLayout& Layout);
// Writes Tag over the start of the file (the old tag has exactly its size).
bool ReplaceTag(const std::string& FileName, std::string_view Tag);
// Writes Tag and the file's audio into FileName + "~" and renames that over
// FileName in one step, so the old file stays whole until the new one replaces it.
bool RebuildFile(const std::string& FileName, std::string_view Tag);

}  // namespace id3v2

}  // namespace tolvar
