#include "MetadataLookup.h"

#include <algorithm>
#include <cstdlib>

#include "CdText.h"
#include "DiscIdentity.h"
#include "MusicBrainz.h"
#include "cddb/Cddb.h"

namespace tolvar {

namespace {

struct TSourceWord {
  const char* Word;
  TMetaSource Source;
};
constexpr TSourceWord kSourceWords[] = {{"musicbrainz", TMetaSource::MusicBrainz},
                                        {"cddb", TMetaSource::Cddb},
                                        {"cdtext", TMetaSource::CdText}};

// The CDDB client checks its request this often: it reports steps, not
// the end of a request.
constexpr std::chrono::milliseconds kCddbPoll{50};

void ApplyCddbEnvironment(TCddb& Cddb) {
  auto Env = [](const char* Name) -> const char* {
    const char* Value = std::getenv(Name);
    return Value && *Value ? Value : nullptr;
  };
  if (const char* Server = Env("TOLVAR_CDDB_SERVER")) Cddb.ServerAddr = Server;
  if (const char* Path = Env("TOLVAR_CDDB_PATH")) Cddb.ServerAdditionalAddr = Path;
  if (const char* Email = Env("TOLVAR_CDDB_EMAIL")) Cddb.EmailUser = Email;
}

int64_t Sector(const TDiscTocEntry& E) {
  return (E.Minute * 60 + E.Second) * 75 + E.Frame;
}

TMetaRelease CddbRelease(const TCDInfo& Info) {
  TMetaRelease R;
  R.Artist = Info.Artist;
  R.Album = Info.Title;
  R.Date = Info.Year;
  R.HasFrontCover = false;
  for (int I = 0; I < Info.Toc.TrackCount && I < kMaxTocTracks; ++I) {
    if (!Info.Toc.Tracks[I].Audio) continue;
    TMetaTrack T;
    T.Number = I + 1;
    T.Title = Info.TrackTitles[I];
    T.Artist = R.Artist;
    const TDiscTocEntry& End =
        I + 1 < Info.Toc.TrackCount ? Info.Toc.Tracks[I + 1] : Info.Toc.LeadOut;
    T.LengthMs = std::max<int64_t>(0, (Sector(End) - Sector(Info.Toc.Tracks[I])) * 1000 / 75);
    R.Tracks.push_back(std::move(T));
  }
  return R;
}

}  // namespace

const char* SourceName(TMetaSource Source) {
  switch (Source) {
    case TMetaSource::MusicBrainz:
      return "MusicBrainz";
    case TMetaSource::Cddb:
      return "CDDB";
    case TMetaSource::CdText:
      return "CD-Text";
  }
  return "";
}

bool ParseSources(const std::string& List, std::vector<TMetaSource>& Sources, std::string& Error) {
  Sources.clear();
  for (size_t Start = 0; Start <= List.size();) {
    size_t End = List.find(',', Start);
    if (End == std::string::npos) End = List.size();
    const std::string Word = List.substr(Start, End - Start);
    Start = End + 1;
    bool Known = false;
    for (const TSourceWord& W : kSourceWords) {
      if (Word != W.Word) continue;
      Known = true;
      Sources.push_back(W.Source);
    }
    if (!Known) {
      Error = "unknown source '" + Word + "' (musicbrainz, cddb, cdtext)";
      return false;
    }
  }
  return true;
}

TMetadataLookup::TMetadataLookup(TEventLoop& Loop)
    : FTarget(Loop), FMusicBrainz(std::make_unique<TMusicBrainz>(Loop)) {}

TMetadataLookup::~TMetadataLookup() {
  Cancel();
}

void TMetadataLookup::Start(const TLookupDisc& Disc) {
  Cancel();
  FDisc = Disc;
  FNext = 0;
  FBusy = true;
  PostNext();
}

void TMetadataLookup::Cancel() {
  FMusicBrainz->Cancel();
  if (FCddbTimer) FTarget.Loop().StopTimer(FCddbTimer);
  FCddbTimer = 0;
  FCddb.reset();
  FBusy = false;
  ++FRun;
}

void TMetadataLookup::PostNext() {
  // A run cancelled or restarted meanwhile takes no step of the old one.
  FTarget.Post([this, Run = FRun] {
    if (Run == FRun) Next();
  });
}

void TMetadataLookup::Next() {
  if (!FBusy) return;
  if (FNext >= Sources.size()) {
    FBusy = false;
    if (OnDone) OnDone({});
    return;
  }
  const TMetaSource Source = Sources[FNext++];
  if (OnStatus) OnStatus(std::string(SourceName(Source)) + ": looking up the disc");
  switch (Source) {
    case TMetaSource::MusicBrainz:
      FMusicBrainz->Lookup(ComputeDiscIdentity(FDisc.Toc),
                           [this](std::vector<TMetaRelease> Releases, std::string Error) {
                             if (!Error.empty()) return Failed(Error);
                             if (Releases.empty())
                               return Failed("MusicBrainz: the disc is unknown");
                             Matched(TMetaSource::MusicBrainz, std::move(Releases));
                           });
      return;
    case TMetaSource::Cddb:
      RunCddb();
      return;
    case TMetaSource::CdText:
      if (auto Release = ReadCdText(FDisc.Device))
        return Matched(TMetaSource::CdText, {std::move(*Release)});
      return Failed("CD-Text: the disc has none");
  }
}

void TMetadataLookup::Matched(TMetaSource Source, std::vector<TMetaRelease> Matches) {
  FBusy = false;
  FCddb.reset();
  if (OnDone) OnDone({SourceName(Source), std::move(Matches)});
}

void TMetadataLookup::Failed(const std::string& Text) {
  if (OnStatus) OnStatus(Text);
  // Later, from the loop: the failing source may still be on the stack.
  PostNext();
}

// ---- CDDB ----

void TMetadataLookup::RunCddb() {
  FCddb = std::make_unique<TCddb>(FTarget.Loop());
  TCddb& C = *FCddb;
  ApplyWindowSettings(C);
  ApplyCddbEnvironment(C);
  FCddbRefusal.clear();
  FCddbStatus.clear();
  C.OnStatusMessage = [this](TCddbDisc&, const std::string& Text) { FCddbStatus = Text; };
  C.OnDataExchange = [this](TCddbDisc&, const std::string& Line) {
    // A server that does not know the program refuses the hello with "500 ..."
    // before any command runs.
    if (FCddbRefusal.empty() && Line.size() > 3 && Line[0] == '5' && Line[3] == ' ')
      FCddbRefusal = Line;
  };
  C.OnMatch = [](TCddb&, const TMatchArray&, int32_t& RightOne) { RightOne = 0; };
  if (!C.ReadTOC(FDisc.Drive)) return Failed("CDDB: " + FCddbStatus);
  if (C.HttpQuery() != 0) return Failed("CDDB: " + FCddbStatus);
  WatchCddb();
}

void TMetadataLookup::WatchCddb() {
  FCddbTimer = FTarget.Loop().StartTimer(kCddbPoll, [this] {
    FCddbTimer = 0;
    if (FCddb->Busy()) return WatchCddb();
    CddbAnswered();
  });
}

void TMetadataLookup::CddbAnswered() {
  TCddb& C = *FCddb;
  if (!FCddbRefusal.empty())
    return Failed("CDDB: the server refused: " + FCddbRefusal +
                  " (set TOLVAR_CDDB_EMAIL to an address the server accepts)");
  if (C.State == TCddb::QueryDone) {
    if (C.HttpRead() != 0) return Failed("CDDB: " + FCddbStatus);
    return WatchCddb();
  }
  if (C.State == TCddb::EntryRead) return Matched(TMetaSource::Cddb, {CddbRelease(C.CDInfo)});
  Failed("CDDB: " + (FCddbStatus.empty() ? std::string("no answer") : FCddbStatus));
}

}  // namespace tolvar
