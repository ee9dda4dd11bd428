#include "RipTags.h"

#include "ID3v1.h"
#include "ID3v2.h"
#include "util/Product.h"
#include "util/TextEncoding.h"

namespace tolvar {

namespace {

std::string_view UpToZero(std::string_view Text) {
  return Text.substr(0, Text.find('\0'));
}

}  // namespace

TRipTagResult WriteRipTags(const std::string& FileName, const TRipTagTexts& TagInfo) {
  const std::string_view Title = UpToZero(TagInfo.Title), Artist = UpToZero(TagInfo.Artist),
                         Album = UpToZero(TagInfo.Album), Year = UpToZero(TagInfo.Year),
                         Comment = UpToZero(TagInfo.Comment), Genre = UpToZero(TagInfo.Genre);
  // Version 1 holds Latin-1 only: what it cannot hold becomes "?".
  TID3v1 Version1;
  Version1.SetTitle(Utf8ToLatin1(Title));
  Version1.SetArtist(Utf8ToLatin1(Artist));
  Version1.SetAlbum(Utf8ToLatin1(Album));
  Version1.SetYear(Utf8ToLatin1(Year));
  Version1.SetComment(Utf8ToLatin1(Comment));
  Version1.SetGenre(Utf8ToLatin1(Genre));

  TID3v2 Version2;
  Version2.SetTitle(Title);
  Version2.SetArtist(Artist);
  Version2.SetAlbum(Album);
  Version2.SetYear(Year);
  Version2.SetComment(Comment);
  Version2.SetGenre(Genre);
  Version2.SetEncoder(kProductName);
  Version2.SetLink(kProductWebAddress);

  TRipTagResult Result;
  Result.Version1 = Version1.SaveToFile(FileName);
  Result.Version2 = Version2.SaveToFile(FileName);
  return Result;
}

}  // namespace tolvar
