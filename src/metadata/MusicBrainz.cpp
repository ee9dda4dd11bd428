#include "MusicBrainz.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdlib>
#include <limits>

namespace tolvar {

namespace {

using nlohmann::json;

// Readers that never throw: a missing key, a null and a value of another
// type all read as empty.
const json& Field(const json& J, const char* Key) {
  static const json Null;
  if (!J.is_object()) return Null;
  auto It = J.find(Key);
  return It == J.end() ? Null : *It;
}

std::string Text(const json& J, const char* Key) {
  const json& V = Field(J, Key);
  return V.is_string() ? V.get<std::string>() : std::string();
}

int64_t Number(const json& J, const char* Key) {
  const json& V = Field(J, Key);
  if (V.is_number_integer()) return V.get<int64_t>();
  if (V.is_number_float()) {
    const double D = V.get<double>();
    return D >= 0 && D < 1e15 ? static_cast<int64_t>(D) : 0;
  }
  return 0;
}

// A 1-based position; 0 when missing or beyond what an int holds, so a
// huge number cannot wrap into a zero or negative disc or track number.
int Position(const json& J) {
  const int64_t P = Number(J, "position");
  return P > 0 && P <= std::numeric_limits<int>::max() ? static_cast<int>(P) : 0;
}

const json& List(const json& J, const char* Key) {
  static const json Empty = json::array();
  const json& V = Field(J, Key);
  return V.is_array() ? V : Empty;
}

// Each credited name followed by its join phrase: "A" " feat. " "B".
std::string Credit(const json& J) {
  std::string Out;
  for (const json& Part : List(J, "artist-credit"))
    Out += Text(Part, "name") + Text(Part, "joinphrase");
  return Out;
}

bool ListsDisc(const json& Medium, const std::string& DiscId) {
  const json& Discs = List(Medium, "discs");
  return std::any_of(Discs.begin(), Discs.end(),
                     [&](const json& D) { return Text(D, "id") == DiscId; });
}

int64_t TrackCount(const json& Medium) {
  const int64_t Count = Number(Medium, "track-count");
  return Count ? Count : static_cast<int64_t>(List(Medium, "tracks").size());
}

const json* ThisMedium(const json& Media, const std::string& DiscId, int AudioTracks) {
  if (Media.empty()) return nullptr;
  for (const json& M : Media)
    if (ListsDisc(M, DiscId)) return &M;
  for (const json& M : Media)
    if (TrackCount(M) == AudioTracks) return &M;
  return &Media.front();
}

TMetaTrack ReadTrack(const json& T, const std::string& ReleaseArtist, int Index) {
  const json& Recording = Field(T, "recording");
  TMetaTrack Track;
  Track.Number = Position(T);
  if (Track.Number == 0) Track.Number = Index + 1;
  Track.Title = Text(T, "title");
  if (Track.Title.empty()) Track.Title = Text(Recording, "title");
  Track.Artist = Credit(T);
  if (Track.Artist.empty()) Track.Artist = Credit(Recording);
  if (Track.Artist.empty()) Track.Artist = ReleaseArtist;
  Track.LengthMs = Number(T, "length");
  if (Track.LengthMs <= 0) Track.LengthMs = std::max<int64_t>(Number(Recording, "length"), 0);
  Track.RecordingId = Text(Recording, "id");
  Track.TrackId = Text(T, "id");
  const json& Isrcs = List(Recording, "isrcs");
  if (!Isrcs.empty() && Isrcs.front().is_string()) Track.Isrc = Isrcs.front().get<std::string>();
  return Track;
}

TMetaRelease ReadRelease(const json& R, const std::string& DiscId, int AudioTracks) {
  TMetaRelease Release;
  Release.Album = Text(R, "title");
  Release.Artist = Credit(R);
  Release.Date = Text(R, "date");
  Release.Country = Text(R, "country");
  Release.Barcode = Text(R, "barcode");
  Release.ReleaseId = Text(R, "id");
  Release.ReleaseGroupId = Text(Field(R, "release-group"), "id");
  const json& Labels = List(R, "label-info");
  if (!Labels.empty()) {
    Release.Label = Text(Field(Labels.front(), "label"), "name");
    Release.Catalog = Text(Labels.front(), "catalog-number");
  }
  const json& Front = Field(Field(R, "cover-art-archive"), "front");
  Release.HasFrontCover = !Front.is_boolean() || Front.get<bool>();
  const json& Media = List(R, "media");
  Release.Discs = std::max<int>(1, static_cast<int>(Media.size()));
  if (const json* Medium = ThisMedium(Media, DiscId, AudioTracks)) {
    Release.Disc = Position(*Medium);
    if (Release.Disc == 0) Release.Disc = static_cast<int>(Medium - &Media.front()) + 1;
    Release.Format = Text(*Medium, "format");
    int Index = 0;
    for (const json& T : List(*Medium, "tracks"))
      if (T.is_object()) Release.Tracks.push_back(ReadTrack(T, Release.Artist, Index++));
  }
  return Release;
}

}  // namespace

std::string TMetaRelease::Year() const {
  return Date.size() >= 4 ? Date.substr(0, 4) : std::string();
}

bool ParseMusicBrainzReleases(const std::string& Body, const std::string& DiscId, int AudioTracks,
                              std::vector<TMetaRelease>& Releases, std::string& Error) {
  Releases.clear();
  const json Root = json::parse(Body, nullptr, false);
  if (Root.is_discarded()) {
    Error = "MusicBrainz: the answer is not JSON";
    return false;
  }
  for (const json& R : List(Root, "releases"))
    if (R.is_object()) Releases.push_back(ReadRelease(R, DiscId, AudioTracks));
  return true;
}

std::string MusicBrainzBaseUrl() {
  return ServiceAddress("TOLVAR_MUSICBRAINZ_URL", "https://musicbrainz.org");
}

// ---- the lookup ----

namespace {

// One process, one address: the spacing holds across lookups.
std::chrono::steady_clock::time_point LastRequest;

}  // namespace

TMusicBrainz::TMusicBrainz(TEventLoop& Loop) : Web(Loop), FTarget(Loop) {}

void TMusicBrainz::Lookup(const TDiscIdentity& Disc, TDone Done) {
  Cancel();
  FDisc = Disc;
  FDone = std::move(Done);
  FRetries = 0;
  if (FDisc.MusicBrainzId.empty()) {
    FTarget.Post([this] { FDone({}, "MusicBrainz: no disc ID for this table of contents"); });
    return;
  }
  Send();
}

void TMusicBrainz::Cancel() {
  if (FWait) FTarget.Loop().StopTimer(FWait);
  FWait = 0;
  if (FRequest) Web.Cancel(FRequest);
  FRequest = 0;
}

void TMusicBrainz::Send() {
  FWait = 0;
  const auto Now = std::chrono::steady_clock::now();
  const auto Due = LastRequest + Spacing;
  if (LastRequest.time_since_epoch().count() != 0 && Now < Due) {
    auto Wait = std::chrono::ceil<std::chrono::milliseconds>(Due - Now);
    FWait = FTarget.Loop().StartTimer(Wait, [this] { Send(); });
    return;
  }
  LastRequest = Now;
  std::string Toc = FDisc.TocString();
  std::replace(Toc.begin(), Toc.end(), ' ', '+');
  TWebRequest Request;
  Request.Service = "MusicBrainz";
  Request.Url = MusicBrainzBaseUrl() + "/ws/2/discid/" + FDisc.MusicBrainzId + "?toc=" + Toc +
                "&inc=artist-credits+recordings+labels+isrcs+release-groups&fmt=json";
  FRequest = Web.Get(Request, [this](const TWebResponse& Response) { Answer(Response); });
}

void TMusicBrainz::Answer(const TWebResponse& Response) {
  FRequest = 0;
  TDone Done = FDone;
  if (!Response.Answered) return Done({}, Response.Error);
  if (Response.Status == 503 && FRetries < MaxRetries) {
    ++FRetries;
    // The service asks for a pause: at least the spacing, at most ten seconds.
    long Seconds = std::atol(Response.RetryAfter.c_str());
    auto Pause = std::clamp<std::chrono::milliseconds>(std::chrono::seconds(Seconds), Spacing,
                                                       std::chrono::seconds(10));
    FWait = FTarget.Loop().StartTimer(Pause, [this] { Send(); });
    return;
  }
  if (Response.Status == 404) return Done({}, "");
  if (Response.Status != 200)
    return Done({}, "MusicBrainz: HTTP " + std::to_string(Response.Status));
  std::vector<TMetaRelease> Releases;
  std::string Error;
  ParseMusicBrainzReleases(Response.Body, FDisc.MusicBrainzId, FDisc.AudioTracks, Releases, Error);
  Done(std::move(Releases), Error);
}

}  // namespace tolvar
