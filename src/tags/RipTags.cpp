#include "RipTags.h"

#include <algorithm>

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

TRipTagResult WriteRipTags(const std::string& FileName, const TRipTagTexts& TagInfo,
                           const TTagExtras& Extras) {
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
  Version2.SetAlbumArtist(Extras.AlbumArtist);
  auto Number = [](int Value) { return static_cast<uint16_t>(std::clamp(Value, 0, 0xFFFF)); };
  if (Extras.TrackNumber > 0) {
    Version2.SetTrack(Number(Extras.TrackNumber));
    Version2.SetTrackTotal(Number(Extras.TrackTotal));
  }
  if (Extras.DiscNumber > 0) Version2.SetDisc(Number(Extras.DiscNumber), Number(Extras.DiscTotal));
  Version2.SetIsrc(Extras.Isrc);
  Version2.AddUserText("MusicBrainz Album Id", Extras.MusicBrainzAlbumId);
  Version2.AddUserText("MusicBrainz Release Track Id", Extras.MusicBrainzReleaseTrackId);
  Version2.AddUserText("MusicBrainz Album Artist Id", Extras.MusicBrainzAlbumArtistId);
  Version2.AddUserText("MusicBrainz Release Group Id", Extras.MusicBrainzReleaseGroupId);
  Version2.AddUserText("MusicBrainz Disc Id", Extras.MusicBrainzDiscId);
  Version2.SetUniqueFileId("http://musicbrainz.org", Extras.MusicBrainzTrackId);

  TRipTagResult Result;
  Result.Version1 = Version1.SaveToFile(FileName);
  Result.Version2 = Version2.SaveToFile(FileName);
  return Result;
}

}  // namespace tolvar
