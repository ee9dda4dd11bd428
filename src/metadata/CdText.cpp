#include "CdText.h"

#include <cdio/cdio.h>
#include <cdio/cdtext.h>
#include <cdio/logging.h>

#include <memory>

#include "cddb/QuietCdio.h"

namespace tolvar {

namespace {

std::string Field(cdtext_t* Text, cdtext_field_t Key, track_t Track) {
  const char* Value = cdtext_get_const(Text, Key, Track);
  return Value ? Value : "";
}

}  // namespace

std::optional<TMetaRelease> ReadCdText(const std::string& Device) {
  TQuietCdio Quiet;  // a disc without CD-Text is the usual case
  std::unique_ptr<CdIo_t, void (*)(CdIo_t*)> Cdio(nullptr, cdio_destroy);
  for (driver_id_t Driver : {DRIVER_UNKNOWN, DRIVER_BINCUE, DRIVER_CDRDAO, DRIVER_NRG}) {
    Cdio.reset(cdio_open(Device.c_str(), Driver));
    if (Cdio) break;
  }
  if (!Cdio) return std::nullopt;
  cdtext_t* Text = cdio_get_cdtext(Cdio.get());
  if (!Text) return std::nullopt;
  TMetaRelease Release;
  Release.Album = Field(Text, CDTEXT_FIELD_TITLE, 0);
  Release.Artist = Field(Text, CDTEXT_FIELD_PERFORMER, 0);
  Release.HasFrontCover = false;
  bool Any = !Release.Album.empty() || !Release.Artist.empty();
  const track_t First = cdio_get_first_track_num(Cdio.get());
  const track_t Count = cdio_get_num_tracks(Cdio.get());
  if (First != CDIO_INVALID_TRACK && Count != CDIO_INVALID_TRACK) {
    for (track_t N = First; N < First + Count; ++N) {
      if (cdio_get_track_format(Cdio.get(), N) != TRACK_FORMAT_AUDIO) continue;
      TMetaTrack Track;
      Track.Number = N;
      Track.Title = Field(Text, CDTEXT_FIELD_TITLE, N);
      Track.Artist = Field(Text, CDTEXT_FIELD_PERFORMER, N);
      Any = Any || !Track.Title.empty() || !Track.Artist.empty();
      if (Track.Artist.empty()) Track.Artist = Release.Artist;
      Track.LengthMs = static_cast<int64_t>(cdio_get_track_sec_count(Cdio.get(), N)) * 1000 / 75;
      Release.Tracks.push_back(std::move(Track));
    }
  }
  if (!Any) return std::nullopt;
  return Release;
}

}  // namespace tolvar
