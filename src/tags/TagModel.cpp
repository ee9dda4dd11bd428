#include "TagModel.h"

#include "util/TextEncoding.h"

namespace tolvar {

namespace {

void PutBigEndian32(std::string& Out, uint32_t Value) {
  for (int Shift = 24; Shift >= 0; Shift -= 8) Out += static_cast<char>(Value >> Shift & 0xFF);
}

void PutSized(std::string& Out, const std::string& Bytes) {
  PutBigEndian32(Out, static_cast<uint32_t>(Bytes.size()));
  Out += Bytes;
}

}  // namespace

std::vector<TVorbisComment> VorbisComments(const TTagModel& Model) {
  const TTagExtras& X = Model.Extras;
  auto Number = [](int Value) { return Value > 0 ? std::to_string(Value) : std::string(); };
  const bool Track = X.TrackNumber > 0, Disc = X.DiscNumber > 0;
  const TVorbisComment All[] = {
      {"TITLE", Model.Title},
      {"ARTIST", Model.Artist},
      {"ALBUM", Model.Album},
      {"ALBUMARTIST", X.AlbumArtist},
      {"DATE", Model.Date},
      {"GENRE", Model.Genre},
      {"COMMENT", Model.Comment},
      {"TRACKNUMBER", Number(X.TrackNumber)},
      {"TRACKTOTAL", Track ? Number(X.TrackTotal) : ""},
      {"DISCNUMBER", Number(X.DiscNumber)},
      {"DISCTOTAL", Disc ? Number(X.DiscTotal) : ""},
      {"ENCODER", Model.Encoder},
      {"ISRC", X.Isrc},
      {"MUSICBRAINZ_ALBUMID", X.MusicBrainzAlbumId},
      {"MUSICBRAINZ_RELEASETRACKID", X.MusicBrainzReleaseTrackId},
      {"MUSICBRAINZ_TRACKID", X.MusicBrainzTrackId},
      {"MUSICBRAINZ_ALBUMARTISTID", X.MusicBrainzAlbumArtistId},
      {"MUSICBRAINZ_RELEASEGROUPID", X.MusicBrainzReleaseGroupId},
      {"MUSICBRAINZ_DISCID", X.MusicBrainzDiscId},
  };
  std::vector<TVorbisComment> Comments;
  // Comments are UTF-8; a text that is not (one kept in Latin-1) is read as Latin-1.
  for (const auto& [Name, Value] : All)
    if (!Value.empty()) Comments.emplace_back(Name, Utf8OrLatin1(Value));
  return Comments;
}

std::string PictureBlock(const TTagPicture& Picture) {
  std::string Block;
  PutBigEndian32(Block, Picture.Type);
  PutSized(Block, Picture.MimeType);
  PutSized(Block, Picture.Description);
  PutBigEndian32(Block, Picture.Width);
  PutBigEndian32(Block, Picture.Height);
  PutBigEndian32(Block, Picture.Depth);
  PutBigEndian32(Block, Picture.Colors);
  PutSized(Block, Picture.Data);
  return Block;
}

std::string Base64(const std::string& Bytes) {
  static const char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string Out;
  Out.reserve((Bytes.size() + 2) / 3 * 4);
  for (size_t I = 0; I < Bytes.size(); I += 3) {
    uint32_t Group = static_cast<uint8_t>(Bytes[I]) << 16;
    if (I + 1 < Bytes.size()) Group |= static_cast<uint8_t>(Bytes[I + 1]) << 8;
    if (I + 2 < Bytes.size()) Group |= static_cast<uint8_t>(Bytes[I + 2]);
    Out += kDigits[Group >> 18 & 63];
    Out += kDigits[Group >> 12 & 63];
    Out += I + 1 < Bytes.size() ? kDigits[Group >> 6 & 63] : '=';
    Out += I + 2 < Bytes.size() ? kDigits[Group & 63] : '=';
  }
  return Out;
}

std::string NumberOfTotal(int Number, int Total) {
  if (Number <= 0) return {};
  return Total > 0 ? std::to_string(Number) + "/" + std::to_string(Total) : std::to_string(Number);
}

}  // namespace tolvar
