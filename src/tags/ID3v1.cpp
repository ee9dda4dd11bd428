#include "ID3v1.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "TagFile.h"

namespace tolvar {

using tagfile::TFd;

// clang-format off
const std::array<const char*, kID3v1GenreCount> ID3v1Genres = {
    "Blues", "Classic Rock", "Country", "Dance", "Disco", "Funk", "Grunge", "Hip-Hop", "Jazz",
    "Metal", "New Age", "Oldies", "Other", "Pop", "R&B", "Rap", "Reggae", "Rock", "Techno",
    "Industrial", "Alternative", "Ska", "Death Metal", "Pranks", "Soundtrack", "Euro-Techno",
    "Ambient", "Trip-Hop", "Vocal", "Jazz+Funk", "Fusion", "Trance", "Classical", "Instrumental",
    "Acid", "House", "Game", "Sound Clip", "Gospel", "Noise", "AlternRock", "Bass", "Soul", "Punk",
    "Space", "Meditative", "Instrumental Pop", "Instrumental Rock", "Ethnic", "Gothic", "Darkwave",
    "Techno-Industrial", "Electronic", "Pop-Folk", "Eurodance", "Dream", "Southern Rock", "Comedy",
    "Cult", "Gangsta", "Top 40", "Christian Rap", "Pop/Funk", "Jungle", "Native American",
    "Cabaret", "New Wave", "Psychadelic", "Rave", "Showtunes", "Trailer", "Lo-Fi", "Tribal",
    "Acid Punk", "Acid Jazz", "Polka", "Retro", "Musical", "Rock & Roll", "Hard Rock", "Folk",
    "Folk-Rock", "National Folk", "Swing", "Fast Fusion", "Bebob", "Latin", "Revival", "Celtic",
    "Bluegrass", "Avantgarde", "Gothic Rock", "Progessive Rock", "Psychedelic Rock",
    "Symphonic Rock", "Slow Rock", "Big Band", "Chorus", "Easy Listening", "Acoustic", "Humour",
    "Speech", "Chanson", "Opera", "Chamber Music", "Sonata", "Symphony", "Booty Bass", "Primus",
    "Porn Groove", "Satire", "Slow Jam", "Club", "Tango", "Samba", "Folklore", "Ballad",
    "Power Ballad", "Rhythmic Soul", "Freestyle", "Duet", "Punk Rock", "Drum Solo", "A capella",
    "Euro-House", "Dance Hall", "Goa", "Drum & Bass", "Club-House", "Hardcore", "Terror", "Indie",
    "BritPop", "Negerpunk", "Polsk Punk", "Beat", "Christian Gangsta Rap", "Heavy Metal",
    "Black Metal", "Crossover", "Contemporary Christian", "Christian Rock", "Merengue", "Salsa",
    "Trash Metal", "Anime", "JPop", "Synthpop",
};
// clang-format on

namespace {

// Field offsets and lengths of the 128-byte tag.
constexpr size_t kTitleAt = 3, kArtistAt = 33, kAlbumAt = 63, kYearAt = 93, kCommentAt = 97;
constexpr size_t kTextLength = 30, kYearLength = 4;
constexpr size_t kShortStringLength = 255;

// A short string's bytes without trailing bytes of code 32 or less, cut to Max.
std::string ShortText(std::string_view Value, size_t Max) {
  Value = Value.substr(0, std::min(Value.size(), kShortStringLength));
  while (!Value.empty() && static_cast<unsigned char>(Value.back()) <= 32) Value.remove_suffix(1);
  return std::string(Value.substr(0, std::min(Value.size(), Max)));
}

char AsciiLower(char C) {
  return C >= 'A' && C <= 'Z' ? static_cast<char>(C - 'A' + 'a') : C;
}

bool SameGenreName(std::string_view A, std::string_view B) {
  if (A.size() != B.size()) return false;
  for (size_t I = 0; I < A.size(); ++I)
    if (AsciiLower(A[I]) != AsciiLower(B[I])) return false;
  return true;
}

off_t FileSize(int Fd) {
  struct stat Info;
  return fstat(Fd, &Info) == 0 ? Info.st_size : -1;
}

}  // namespace

void TID3v1::ResetData() {
  FTitle.clear();
  FArtist.clear();
  FAlbum.clear();
  FYear.clear();
  FComment.clear();
  FTrack = 0;
  FGenre = 255;
}

void TID3v1::SetTitle(std::string_view Value) {
  FTitle = ShortText(Value, kTextLength);
}
void TID3v1::SetArtist(std::string_view Value) {
  FArtist = ShortText(Value, kTextLength);
}
void TID3v1::SetAlbum(std::string_view Value) {
  FAlbum = ShortText(Value, kTextLength);
}
void TID3v1::SetYear(std::string_view Value) {
  FYear = ShortText(Value, kYearLength);
}
void TID3v1::SetComment(std::string_view Value) {
  FComment = ShortText(Value, kTextLength);
}

void TID3v1::SetGenre(std::string_view Name) {
  for (int I = 0; I < kID3v1GenreCount; ++I) {
    if (SameGenreName(Name, ID3v1Genres[I])) {
      FGenre = static_cast<uint8_t>(I);
      return;
    }
  }
}

TID3v1Bytes TID3v1::Render() const {
  TID3v1Bytes Tag{};
  std::memcpy(Tag.data(), "TAG", 3);
  // The setters keep every text within its field, so no copy runs past it.
  FTitle.copy(Tag.data() + kTitleAt, kTextLength);
  FArtist.copy(Tag.data() + kArtistAt, kTextLength);
  FAlbum.copy(Tag.data() + kAlbumAt, kTextLength);
  FYear.copy(Tag.data() + kYearAt, kYearLength);
  FComment.copy(Tag.data() + kCommentAt, kTextLength);
  if (FTrack != 0) {
    Tag[125] = 0;
    Tag[126] = static_cast<char>(FTrack);
  }
  Tag[127] = static_cast<char>(FGenre);
  return Tag;
}

bool TID3v1::SaveToFile(const std::string& FileName) const {
  TID3v1Bytes Tag = Render();
  if (!RemoveFromFile(FileName)) return false;
  return id3v1::AppendTag(FileName, Tag);
}

bool TID3v1::RemoveFromFile(const std::string& FileName) {
  TID3v1Bytes Old{};
  if (!id3v1::ReadTag(FileName, Old)) return false;
  if (std::memcmp(Old.data(), "TAG", 3) == 0) return id3v1::DeleteTag(FileName);
  return true;
}

namespace id3v1 {

bool ReadTag(const std::string& FileName, TID3v1Bytes& Tag) {
  TFd File = tagfile::OpenFile(FileName, O_RDONLY);
  if (!File) return true;  // nothing to read, nothing reported
  off_t Size = FileSize(File.Get());
  if (Size < 0) return false;
  if (Size < static_cast<off_t>(kID3v1TagSize)) return true;  // too short to hold a tag
  TID3v1Bytes Buffer{};
  off_t TagAt = Size - static_cast<off_t>(kID3v1TagSize);
  if (pread(File.Get(), Buffer.data(), Buffer.size(), TagAt) != static_cast<ssize_t>(Buffer.size()))
    return false;
  Tag = Buffer;
  return true;
}

bool DeleteTag(const std::string& FileName) {
  tagfile::ClearAttributes(FileName);
  TFd File = tagfile::OpenFile(FileName, O_RDWR);
  if (!File) return true;
  off_t Size = FileSize(File.Get());
  if (Size < 0) return false;
  if (Size < static_cast<off_t>(kID3v1TagSize)) return true;  // no byte of a short file goes
  if (ftruncate(File.Get(), Size - static_cast<off_t>(kID3v1TagSize)) != 0) return false;
  return File.Close();
}

bool AppendTag(const std::string& FileName, const TID3v1Bytes& Tag) {
  tagfile::ClearAttributes(FileName);
  TFd File = tagfile::OpenFile(FileName, O_RDWR);
  if (!File) return true;
  off_t Size = FileSize(File.Get());
  if (Size < 0) return false;
  if (lseek(File.Get(), Size, SEEK_SET) != Size ||
      !tagfile::WriteAll(File.Get(), Tag.data(), Tag.size())) {
    // A tag cut short (a full disk) would be junk at the end: take it back.
    [[maybe_unused]] int Ignored = ftruncate(File.Get(), Size);
    return false;
  }
  return File.Close();
}

}  // namespace id3v1

}  // namespace tolvar
