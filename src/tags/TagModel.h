#pragma once
// The tag model that every output format is written from: the texts of the
// track, its place on the disc and in a release, its identifiers and a cover
// picture. Texts are UTF-8; a field that is empty (or a number that is 0) is
// not known and writes nothing.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace tolvar {

// A cover picture as FLAC's PICTURE block and METADATA_BLOCK_PICTURE carry it.
struct TTagPicture {
  uint32_t Type = 3;  // 3: the front cover
  std::string MimeType;
  std::string Description;
  uint32_t Width = 0, Height = 0, Depth = 0, Colors = 0;
  std::string Data;  // the image file's bytes; empty: no picture
};

// The fields beyond the texts that a rip's TagInfo holds.
struct TTagExtras {
  std::string AlbumArtist;
  int TrackNumber = 0, TrackTotal = 0;  // TrackTotal counts only with TrackNumber
  int DiscNumber = 0, DiscTotal = 0;    // DiscTotal counts only with DiscNumber
  std::string Isrc;
  // MusicBrainz identifiers: the release, its track, the recording, the
  // release's artist, the release group and the disc.
  std::string MusicBrainzAlbumId, MusicBrainzReleaseTrackId, MusicBrainzTrackId,
      MusicBrainzAlbumArtistId, MusicBrainzReleaseGroupId, MusicBrainzDiscId;
  TTagPicture Picture;
};

struct TTagModel {
  std::string Title, Artist, Album, Date, Genre, Comment, Encoder;
  TTagExtras Extras;
};

using TVorbisComment = std::pair<std::string, std::string>;  // name, UTF-8 value

// The Vorbis comments of Model in the order TITLE, ARTIST, ALBUM, ALBUMARTIST,
// DATE, GENRE, COMMENT, TRACKNUMBER, TRACKTOTAL, DISCNUMBER, DISCTOTAL,
// ENCODER, ISRC, then the MusicBrainz names; unknown fields are left out. The
// picture is not among them (each format carries it its own way).
std::vector<TVorbisComment> VorbisComments(const TTagModel& Model);

// The picture as a FLAC PICTURE block's body (no block header), all numbers
// big-endian: what METADATA_BLOCK_PICTURE holds in base64.
std::string PictureBlock(const TTagPicture& Picture);
std::string Base64(const std::string& Bytes);

// "N" or "N/M" (M left out when 0); empty when N is 0.
std::string NumberOfTotal(int Number, int Total);

}  // namespace tolvar
