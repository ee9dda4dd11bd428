#pragma once
// What a metadata source knows about a disc: one release (a pressing), the
// medium that is this disc and its tracks. Texts are UTF-8; unknown texts
// are empty.
#include <cstdint>
#include <string>
#include <vector>

namespace tolvar {

struct TTagExtras;

struct TMetaTrack {
  int Number = 0;  // position on the medium, from 1
  std::string Title, Artist;
  int64_t LengthMs = 0;  // 0 when unknown
  std::string RecordingId, TrackId, Isrc;
};

struct TMetaRelease {
  std::string Album, Artist, Date, Country, Label, Catalog, Barcode, Format;
  std::string ReleaseId, ReleaseGroupId;
  int Disc = 1, Discs = 1;    // the medium that is this disc, of how many
  bool HasFrontCover = true;  // false only when the service says there is none
  std::vector<TMetaTrack> Tracks;

  // The year of Date ("2004" of "2004-03-17"); empty without one.
  std::string Year() const;
  // The track at position Number of this disc; null when there is none.
  const TMetaTrack* FindTrack(int Number) const;
  // Fills the fields of Extras that are still empty with this release's album
  // artist, disc number and IDs, and with those of track Track (0: the disc
  // alone), so fields given by the user win.
  void AddTagFields(int Track, TTagExtras& Extras) const;
};

}  // namespace tolvar
