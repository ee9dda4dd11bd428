// tolvar-cli cddb query|read|lookup: the CDDB client against a server. Status
// texts go to stderr, the matches and the entry to stdout. The poll loop runs
// until the client has handled each answer.
#include <exception>
#include <iostream>
#include <optional>

#include "CddbCommands.h"
#include "cddb/Cddb.h"
#include "net/PollLoop.h"
#include "util/TextEncoding.h"

namespace tolvar::cli {

namespace {

// A request ends by itself (the HTTP client's own time-out); this only
// guards against waiting forever.
constexpr std::chrono::minutes kRequestLimit{10};

struct TLookupOptions {
  int32_t Choose = 0;
  bool Verbose = false;
  std::optional<std::string> Category, DiscId;
};

// One field on one line: line breaks as "\n", tabs as "\t".
std::string Shown(const std::string& Text) {
  std::string Out;
  for (size_t I = 0; I < Text.size(); ++I) {
    if (Text[I] == '\r' && I + 1 < Text.size() && Text[I + 1] == '\n') ++I;
    if (Text[I] == '\r' || Text[I] == '\n')
      Out += "\\n";
    else if (Text[I] == '\t')
      Out += "\\t";
    else
      Out += Text[I];
  }
  return Out;
}

// Runs the loop until the request that Started reports has been handled.
// False when it did not start or its answer left the client waiting; an
// answer that could not be read (a conversion error) raises its error.
bool Await(TPollLoop& Loop, TCddb& Cddb, int32_t Started, int32_t Waiting) {
  if (Started != 0) return false;
  std::exception_ptr Failure;
  Loop.OnException = [&](std::exception_ptr E) { Failure = E; };
  bool Answered = Loop.RunUntil([&] { return !Cddb.Busy() || Failure; }, kRequestLimit);
  Loop.OnException = nullptr;
  if (Failure) std::rethrow_exception(Failure);
  if (!Answered) throw TCommandError("no answer from the server");
  if (Cddb.State != Waiting) return true;
  // A body that never said how it ends, such as a web server's error page.
  std::cerr << "tolvar-cli: incomplete answer from the server (HTTP "
            << Cddb.HttpClient.StatusCode() << ' ' << Cddb.HttpClient.ReasonPhrase() << ")\n";
  return false;
}

void PrintEntry(const TCDInfo& Info) {
  std::cout << "Artist: " << Shown(Info.Artist) << "\nTitle: " << Shown(Info.Title)
            << "\nYear: " << Shown(Info.Year) << "\nGenre: " << Shown(Info.Genre)
            << "\nRevision: " << Info.Revision << "\nExtD: " << Shown(Info.ExtD) << '\n';
  for (size_t N = 0; N < Info.TrackTitles.size(); ++N) {
    if (!Info.TrackTitles[N].empty())
      std::cout << "TTITLE" << N << ": " << Shown(Info.TrackTitles[N]) << '\n';
    if (!Info.ExtT[N].empty()) std::cout << "EXTT" << N << ": " << Shown(Info.ExtT[N]) << '\n';
  }
}

void Configure(TCddb& Cddb, TArgs& Args, TLookupOptions& Options) {
  ApplyWindowSettings(Cddb);
  Cddb.ServerAddr = Args.Value("--server").value_or(Cddb.ServerAddr);
  Cddb.ServerAdditionalAddr = Args.Value("--path").value_or(Cddb.ServerAdditionalAddr);
  Cddb.EmailUser = Args.Value("--email").value_or(Cddb.EmailUser);
  Cddb.ProxyAddress() = Args.Value("--proxy").value_or("");
  Cddb.ProtocolLevel = static_cast<int>(Args.Integer("--proto", Cddb.ProtocolLevel, 5, 6));
  Options.Choose = static_cast<int32_t>(Args.Integer("--choose", 0, -1, 99));
  Options.Verbose = Args.Flag("--verbose");
}

}  // namespace

int RunCddbLookup(const TContext& Context, const std::string& Command, TArgs& Args) {
  TPollLoop Loop;
  TCddb Cddb(Loop);
  TLookupOptions Options;
  Configure(Cddb, Args, Options);
  if (Command == "read") {
    Options.Category = Args.Value("--category");
    Options.DiscId = Args.Value("--discid");
    if (!Options.Category) throw TUsageError("cddb read needs --category");
  }
  Args.Finish();

  // The query is built from the disc's TOC; a read with a given disc ID
  // needs none, and the entry parse reads the TOC again by itself.
  uint8_t Drive = SelectCddbDrive(Context);
  if (Options.DiscId)
    Cddb.ReadTOC(Drive);
  else
    ReadDiscToc(Cddb, Drive);

  Cddb.OnStatusMessage = [](TCddbDisc&, const std::string& Status) {
    std::cerr << Utf8OrLatin1(Status) << '\n';  // it may quote a server's words
  };
  if (Options.Verbose) {
    Cddb.OnDataExchange = [&Cddb](TCddbDisc&, const std::string& Line) {
      std::string Text = EntryText(Line, Cddb.AnswerLatin1());
      while (!Text.empty() && (Text.back() == '\n' || Text.back() == '\r')) Text.pop_back();
      std::cerr << Text << '\n';
    };
  }
  Cddb.OnMatch = [&](TCddb&, const TMatchArray& Matches, int32_t& RightOne) {
    for (size_t N = 0; N < Matches.size(); ++N)
      if (!Matches[N].empty()) std::cout << "Match " << N << ": " << Shown(Matches[N]) << '\n';
    RightOne = Options.Choose;
  };

  if (Command == "read") {
    Cddb.CDInfo.Category = *Options.Category;
    if (Options.DiscId) Cddb.CDInfo.DiscID = *Options.DiscId;
  } else {
    if (!Await(Loop, Cddb, Cddb.HttpQuery(), TCddb::QuerySent) || Cddb.State != TCddb::QueryDone)
      return 1;
    std::cout << "Category: " << Shown(Cddb.CDInfo.Category)
              << "\nDisc ID: " << Shown(Cddb.CDInfo.DiscID) << '\n';
    if (Command == "query") return 0;
  }
  if (!Await(Loop, Cddb, Cddb.HttpRead(), TCddb::ReadSent) || Cddb.State != TCddb::EntryRead)
    return 1;
  PrintEntry(Cddb.CDInfo);
  return 0;
}

}  // namespace tolvar::cli
