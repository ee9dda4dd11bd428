#include "Release.h"

#include "tags/TagModel.h"

namespace tolvar {

const TMetaTrack* TMetaRelease::FindTrack(int Number) const {
  for (const TMetaTrack& T : Tracks)
    if (T.Number == Number) return &T;
  return nullptr;
}

void TMetaRelease::AddTagFields(int Track, TTagExtras& Extras) const {
  auto Fill = [](std::string& Field, const std::string& Found) {
    if (Field.empty()) Field = Found;
  };
  Fill(Extras.AlbumArtist, Artist);
  Fill(Extras.MusicBrainzAlbumId, ReleaseId);
  Fill(Extras.MusicBrainzReleaseGroupId, ReleaseGroupId);
  if (Extras.DiscNumber == 0 && Discs > 1) {
    Extras.DiscNumber = Disc;
    Extras.DiscTotal = Discs;
  }
  if (const TMetaTrack* T = Track > 0 ? FindTrack(Track) : nullptr) {
    Fill(Extras.Isrc, T->Isrc);
    Fill(Extras.MusicBrainzReleaseTrackId, T->TrackId);
    Fill(Extras.MusicBrainzTrackId, T->RecordingId);
  }
}

}  // namespace tolvar
