#include "DiscIdentity.h"

#include <discid/discid.h>

#include <algorithm>
#include <memory>

namespace tolvar {

namespace {

// The session gap MusicBrainz assumes before a trailing data track.
constexpr uint32_t kSessionGapSectors = 11400;

uint32_t Sectors(const TDiscTocEntry& E) {
  return (E.Minute * 60u + E.Second) * 75u + E.Frame;
}

std::string NumberList(const TDiscIdentity& D, char Separator) {
  std::string Text = std::to_string(D.First) + Separator + std::to_string(D.Last) + Separator +
                     std::to_string(D.LeadOut);
  for (uint32_t Offset : D.Offsets) Text += Separator + std::to_string(Offset);
  return Text;
}

}  // namespace

std::string TDiscIdentity::TocString() const {
  return NumberList(*this, ' ');
}

std::string TDiscIdentity::SubmitUrl() const {
  return "https://musicbrainz.org/cdtoc/attach?id=" + MusicBrainzId +
         "&tracks=" + std::to_string(Last - First + 1) + "&toc=" + NumberList(*this, '+');
}

TDiscIdentity ComputeDiscIdentity(const TDiscToc& Toc) {
  TDiscIdentity D;
  const int Count = std::min<int>(Toc.TrackCount, kMaxTocTracks);
  D.FreedbId = FormatDiscId(CddbDiscId(Toc));
  if (Count == 0) return D;
  for (int I = 0; I < Count; ++I) D.AudioTracks += Toc.Tracks[I].Audio ? 1 : 0;
  int Kept = Count;
  D.LeadOut = Sectors(Toc.LeadOut);
  if (Count > 1 && !Toc.Tracks[Count - 1].Audio) {
    Kept = Count - 1;
    const uint32_t DataStart = Sectors(Toc.Tracks[Count - 1]);
    D.LeadOut = DataStart > kSessionGapSectors ? DataStart - kSessionGapSectors : 0;
  }
  D.First = 1;
  D.Last = Kept;
  for (int I = 0; I < Kept; ++I) D.Offsets.push_back(Sectors(Toc.Tracks[I]));

  int Put[100] = {};
  Put[0] = static_cast<int>(D.LeadOut);
  for (int I = 0; I < Kept && I < 99; ++I) Put[I + 1] = static_cast<int>(D.Offsets[I]);
  std::unique_ptr<DiscId, void (*)(DiscId*)> Handle(discid_new(), discid_free);
  if (Handle && discid_put(Handle.get(), D.First, std::min(Kept, 99), Put))
    D.MusicBrainzId = discid_get_id(Handle.get());
  return D;
}

}  // namespace tolvar
