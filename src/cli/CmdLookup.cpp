// tolvar-cli discid and lookup: who the disc is to MusicBrainz and CDDB, and
// the names the lookup chain finds for it.
#include <nlohmann/json.hpp>

#include <iostream>

#include "CddbCommands.h"
#include "LookupCommands.h"
#include "VerifyCommands.h"
#include "cddb/CddbDisc.h"
#include "metadata/DiscIdentity.h"
#include "net/PollLoop.h"
#include "util/FileFunctions.h"

namespace tolvar::cli {

namespace {

// Every request has its own deadline; this only guards against waiting forever.
constexpr std::chrono::minutes kLookupLimit{10};

TLookupDisc ReadLookupDisc(const TContext& Context) {
  TLookupDisc Disc;
  Disc.Drive = SelectCddbDrive(Context);
  TCddbDisc Reader;
  ReadDiscToc(Reader, Disc.Drive);
  Disc.Toc = Reader.CDInfo.Toc;
  Disc.Device = Reader.DriveTable.Drives[Disc.Drive].Device;
  return Disc;
}

std::string Length(int64_t Ms) {
  const int64_t Seconds = Ms / 1000;
  const std::string S = std::to_string(Seconds % 60);
  return std::to_string(Seconds / 60) + ":" + (S.size() < 2 ? "0" : "") + S;
}

void PrintText(const TLookupResult& Result, int Choose) {
  const TMetaRelease& C = ChosenMatch(Result, Choose);  // nothing printed for a wrong choice
  std::cout << "Source: " << Result.Source << '\n';
  for (size_t K = 0; K < Result.Matches.size(); ++K) {
    const TMetaRelease& M = Result.Matches[K];
    std::cout << "Match " << K << ": " << M.Artist << " - " << M.Album << " (" << M.Date << ", "
              << M.Country << ", " << M.Label << ' ' << M.Catalog << ", " << M.Barcode << ")\n";
  }
  std::cout << "Chosen: " << Choose << "\nAlbum: " << C.Album << "\nAlbum artist: " << C.Artist
            << "\nDate: " << C.Date << "\nDisc: " << C.Disc << '/' << C.Discs
            << "\nRelease ID: " << C.ReleaseId << '\n';
  for (const TMetaTrack& T : C.Tracks)
    std::cout << "Track " << TwoDigitNumber(T.Number) << ": " << T.Artist << " - " << T.Title
              << " (" << Length(T.LengthMs) << ")\n";
}

void PrintJson(const TLookupResult& Result, int Choose) {
  ChosenMatch(Result, Choose);
  nlohmann::ordered_json Matches = nlohmann::ordered_json::array();
  for (const TMetaRelease& M : Result.Matches) {
    nlohmann::ordered_json Tracks = nlohmann::ordered_json::array();
    for (const TMetaTrack& T : M.Tracks)
      Tracks.push_back({{"number", T.Number},
                        {"title", T.Title},
                        {"artist", T.Artist},
                        {"length_ms", T.LengthMs},
                        {"recording_id", T.RecordingId},
                        {"track_id", T.TrackId},
                        {"isrc", T.Isrc}});
    Matches.push_back({{"album", M.Album},
                       {"artist", M.Artist},
                       {"date", M.Date},
                       {"country", M.Country},
                       {"label", M.Label},
                       {"catalog", M.Catalog},
                       {"barcode", M.Barcode},
                       {"release_id", M.ReleaseId},
                       {"release_group_id", M.ReleaseGroupId},
                       {"disc", M.Disc},
                       {"discs", M.Discs},
                       {"tracks", std::move(Tracks)}});
  }
  nlohmann::ordered_json Out = {
      {"source", Result.Source}, {"chosen", Choose}, {"matches", std::move(Matches)}};
  // Texts from the services are UTF-8; anything else is replaced, not a crash.
  std::cout << Out.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
}

}  // namespace

int RunDiscId(TContext& Context, TArgs& Args) {
  if (!Args.Positionals().empty()) throw TUsageError("discid takes no arguments");
  Args.Finish();
  const TDiscIdentity Id = ComputeDiscIdentity(ReadLookupDisc(Context).Toc);
  if (Id.MusicBrainzId.empty()) throw TCommandError("the disc has no audio track to identify");
  std::cout << "MusicBrainz Disc ID: " << Id.MusicBrainzId << "\nFreeDB Disc ID: " << Id.FreedbId
            << "\nTOC: " << Id.TocString() << "\nSubmit: " << Id.SubmitUrl() << '\n';
  return 0;
}

int RunLookup(TContext& Context, TArgs& Args) {
  const TLookupOptions Options = LookupOptions(Args);
  const bool Json = Args.Flag("--json");
  const std::optional<std::string> CoverFile = Args.Value("--cover");
  if (CoverFile && CoverFile->empty()) throw TUsageError("option --cover needs a file");
  if (!Args.Positionals().empty()) throw TUsageError("lookup takes no arguments");
  Args.Finish();
  const TLookupResult Result = LookUpDisc(Context, Options);
  if (Result.Source.empty()) {
    std::cerr << "tolvar-cli: no source knows the disc\n";
    return 1;
  }
  if (Json)
    PrintJson(Result, Options.Choose);
  else
    PrintText(Result, Options.Choose);
  if (CoverFile) {
    const TCoverImage Cover = FetchCover(Result, ChosenMatch(Result, Options.Choose));
    if (!Cover.Empty() && !WriteFileAtomic(*CoverFile, Cover.Bytes))
      throw TCommandError("cannot write " + *CoverFile);
  }
  return 0;
}

TLookupOptions LookupOptions(TArgs& Args) {
  TLookupOptions Options;
  std::string Error;
  if (!ParseSources(Args.Value("--sources").value_or(kDefaultSources), Options.Sources, Error))
    throw TUsageError("option --sources: " + Error);
  Options.Choose = static_cast<int>(Args.Integer("--choose", 0, 0, 99));
  return Options;
}

TLookupResult LookUpDisc(const TContext& Context, const TLookupOptions& Options) {
  const TLookupDisc Disc = ReadLookupDisc(Context);
  TPollLoop Loop;
  TMetadataLookup Chain(Loop);
  Chain.Sources = Options.Sources;
  Chain.OnStatus = [](const std::string& Text) { std::cerr << Text << '\n'; };
  std::optional<TLookupResult> Result;
  Chain.OnDone = [&Result](const TLookupResult& R) { Result = R; };
  Chain.Start(Disc);
  if (!Loop.RunUntil([&Result] { return Result.has_value(); }, kLookupLimit))
    throw TCommandError("the lookup did not end");
  return *Result;
}

const TMetaRelease& ChosenMatch(const TLookupResult& Result, int Choose) {
  if (Choose < 0 || static_cast<size_t>(Choose) >= Result.Matches.size())
    throw TCommandError("there is no match " + std::to_string(Choose) + " (" +
                        std::to_string(Result.Matches.size()) + " found)");
  return Result.Matches[static_cast<size_t>(Choose)];
}

TCoverImage FetchCover(const TLookupResult& Result, const TMetaRelease& Release) {
  if (Result.Source != SourceName(TMetaSource::MusicBrainz) || Release.ReleaseId.empty() ||
      !Release.HasFrontCover) {
    std::cerr << "no cover art for this match\n";
    return {};
  }
  TPollLoop Loop;
  TCoverArt Art(Loop);
  std::optional<TCoverImage> Image;
  Art.Fetch(Release.ReleaseId, [&Image](TCoverImage Got, std::string Error) {
    if (!Error.empty()) std::cerr << Error << '\n';
    if (Error.empty() && Got.Empty()) std::cerr << "Cover Art Archive: no front image\n";
    Image = std::move(Got);
  });
  if (!Loop.RunUntil([&Image] { return Image.has_value(); }, kLookupLimit)) return {};
  return *Image;
}

}  // namespace tolvar::cli
