// Scenario tests: the built tolvar-cli on generated disc images, checked
// against libdiscid's freedb ID for the offsets the CUE sheet states, and
// its lookups against the CDDB test server.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <sstream>

#include "CddbServer.h"
#include "DiscImage.h"
#include "Libdiscid.h"
#include "TestSupport.h"

using namespace tolvar;
using fixtures::TImageTrack;

namespace {

struct TRun {
  int Status = -1;
  std::string Out;
  std::string Err;
};

TRun RunCli(const std::string& Arguments) {
  fixtures::TTempDir Dir;
  // No images from the environment of whoever runs the tests.
  std::string Command = "env -u TOLVAR_CD_IMAGES " TOLVAR_CLI " " + Arguments + " 2>" + Dir / "err";
  TRun Run;
  FILE* Pipe = popen(Command.c_str(), "r");
  if (!Pipe) return Run;
  char Buffer[4096];
  size_t Got;
  while ((Got = fread(Buffer, 1, sizeof Buffer, Pipe)) > 0) Run.Out.append(Buffer, Got);
  int Status = pclose(Pipe);
  Run.Status = WIFEXITED(Status) ? WEXITSTATUS(Status) : -1;
  Run.Err = fixtures::ReadFile(Dir / "err");
  return Run;
}

// The offsets a CUE sheet of one BINARY file states, read from the sheet
// itself; the lead-out is the end of the BIN.
fixtures::TReferenceToc CueReference(const std::string& Cue) {
  fixtures::TReferenceToc Toc;
  std::istringstream Sheet(fixtures::ReadFile(Cue));
  std::string Word;
  while (Sheet >> Word) {
    if (Word != "INDEX") continue;
    std::string Number, Msf;
    Sheet >> Number >> Msf;
    unsigned M, S, F;
    if (Number == "01" && std::sscanf(Msf.c_str(), "%u:%u:%u", &M, &S, &F) == 3)
      Toc.Offsets.push_back(150 + (M * 60 + S) * 75 + F);
  }
  std::string Bin = Cue.substr(0, Cue.size() - 4) + ".bin";
  Toc.LeadOut =
      150 + static_cast<uint32_t>(std::filesystem::file_size(Bin) / fixtures::kSectorBytes);
  return Toc;
}

std::string ExpectedOutput(const fixtures::TReferenceToc& Toc, const std::string& Id) {
  std::string Query = "cddb query " + Id + " " + std::to_string(Toc.Offsets.size());
  for (uint32_t O : Toc.Offsets) Query += " " + std::to_string(O);
  return "Disc ID: " + Id + "\n" + Query + " " + std::to_string(Toc.LeadOut / 75) + "\n";
}

}  // namespace

TEST(CddbDiscIdCommand, SampleDiscMatchesLibdiscid) {
  fixtures::TReferenceToc Toc = CueReference(TOLVAR_SAMPLE_CUE);
  ASSERT_EQ(Toc.Offsets.size(), 5u);
  std::string Id = fixtures::LibdiscidFreedbIds({Toc}).at(0);
  TRun Given = RunCli("--image " TOLVAR_SAMPLE_CUE " cddb discid");
  EXPECT_EQ(Given.Status, 0) << Given.Err;
  EXPECT_EQ(Given.Out, ExpectedOutput(Toc, Id));
  // Without a drive or an image the sample disc stands in.
  if (!fixtures::FileExists("/dev/sr0")) {
    TRun Default = RunCli("cddb discid");
    EXPECT_EQ(Default.Status, 0) << Default.Err;
    EXPECT_EQ(Default.Out, Given.Out);
  }
}

TEST(CddbDiscIdCommand, GeneratedImagesMatchLibdiscid) {
  fixtures::TTempDir Dir;
  std::vector<std::vector<TImageTrack>> Discs = {
      {{13350}},                                          // the 0200b201 disc
      {{4500, true}, {3000, false, 150}, {2250}},         // data track first, pregap
      {{33 * 75 + 17}, {1}, {75 * 300 + 74, false, 33}},  // odd lengths, a one-sector track
  };
  std::vector<TImageTrack> Long(99, TImageTrack{75 * 45 + 3});  // 99 tracks, 74 minutes
  Discs.push_back(Long);
  std::vector<fixtures::TReferenceToc> References;
  std::vector<std::string> Cues;
  for (size_t I = 0; I < Discs.size(); ++I) {
    Cues.push_back(Dir / ("disc" + std::to_string(I) + ".cue"));
    fixtures::TImageOptions Options;
    Options.Sparse = true;
    fixtures::WriteDiscImage(Cues.back(), Discs[I], Options);
    References.push_back(CueReference(Cues.back()));
  }
  std::vector<std::string> Ids = fixtures::LibdiscidFreedbIds(References);
  ASSERT_EQ(Ids.size(), Discs.size());
  EXPECT_EQ(Ids[0], "0200b201");
  for (size_t I = 0; I < Discs.size(); ++I) {
    TRun Run = RunCli("--image " + Cues[I] + " cddb discid");
    EXPECT_EQ(Run.Status, 0) << Run.Err;
    EXPECT_EQ(Run.Out, ExpectedOutput(References[I], Ids[I])) << Cues[I];
  }
  // The first --image is the drive read; --drive picks another.
  TRun Second = RunCli("--image " + Cues[1] + " --image " + Cues[0] + " cddb discid");
  EXPECT_EQ(Second.Out, ExpectedOutput(References[1], Ids[1]));
  if (!fixtures::FileExists("/dev/sr0")) {
    TRun Picked = RunCli("--image " + Cues[1] + " --image " + Cues[0] + " --drive 1 cddb discid");
    EXPECT_EQ(Picked.Out, ExpectedOutput(References[0], Ids[0]));
  }
}

TEST(CddbDiscIdCommand, FailuresExitWithStatusAndMessage) {
  fixtures::TTempDir Dir;
  TRun NoDisc = RunCli("--image " + Dir / "missing.cue" + " cddb discid");
  EXPECT_EQ(NoDisc.Status, 1);
  EXPECT_EQ(NoDisc.Out, "");
  EXPECT_NE(NoDisc.Err.find("No CD in CD/DVD drive!"), std::string::npos) << NoDisc.Err;

  TRun NoDrive = RunCli("--image " TOLVAR_SAMPLE_CUE " --drive 40 cddb discid");
  EXPECT_EQ(NoDrive.Status, 1);
  EXPECT_NE(NoDrive.Err.find("no drive 40"), std::string::npos) << NoDrive.Err;

  EXPECT_EQ(RunCli("cddb").Status, 2);
  EXPECT_EQ(RunCli("cddb frobnicate").Status, 2);
  EXPECT_EQ(RunCli("cddb discid extra").Status, 2);
  EXPECT_EQ(RunCli("cddb discid --bogus").Status, 2);
}

namespace {

const std::vector<int> kSampleOffsets = {150, 1500, 3300, 5625, 7200};
const std::string kSampleHello = "&hello=tolvar+tolvar%2Eorg+Tolvar+v0%2E7&proto=6";
const std::string kSampleEntryOut =
    "Artist: Tolvar Ensemble\nTitle: Sample Songs\nYear: 2024\nGenre: Ambient\nRevision: 2\n"
    "ExtD: Made\\nhere\nTTITLE0: Arpeggio\nTTITLE1: Bj\xC3\xB6rk's\\tTune\n"
    "TTITLE2: \xE6\x98\x9F\xE3\x81\xAE\xE6\xB5\x81\xE3\x82\x8C\nTTITLE3: Four\nTTITLE4: "
    "Five\nEXTT4: Last\n";

void AddSampleEntry(cddbtest::TCddbServer& Server) {
  Server.AddEntry("misc", "27008305", kSampleOffsets, 133,
                  "# Revision: 2\nDISCID=27008305\nDTITLE=Tolvar Ensemble / Sample Songs\n"
                  "DYEAR=2024\nDGENRE=Ambient\nTTITLE0=Arpeggio\nTTITLE1=Bj\xC3\xB6rk's\\tTune\n"
                  "TTITLE2=\xE6\x98\x9F\xE3\x81\xAE\xE6\xB5\x81\xE3\x82\x8C\nTTITLE3=Four\nTTITLE4="
                  "Five\nEXTD=Made\\nhere\nEXTT4=Last\n");
}

bool Has(const std::string& Text, const std::string& Part) {
  return Text.find(Part) != std::string::npos;
}

}  // namespace

TEST(CddbLookupCommand, SampleDiscLookupAndRead) {
  cddbtest::TCddbServer Server;
  AddSampleEntry(Server);
  std::string Sample = "--image " TOLVAR_SAMPLE_CUE " cddb ";
  TRun Lookup = RunCli(Sample + "lookup --server " + Server.HostPort());
  EXPECT_EQ(Lookup.Status, 0) << Lookup.Err;
  EXPECT_EQ(Lookup.Out,
            "Match 0: misc 27008305 Tolvar Ensemble / Sample Songs\nCategory: misc\n"
            "Disc ID: 27008305\n" +
                kSampleEntryOut);
  EXPECT_TRUE(Has(Lookup.Err, "Found exact match\n") && Has(Lookup.Err, "Entry read\n"))
      << Lookup.Err;
  EXPECT_EQ(
      Server.Requests(),
      std::vector<std::string>(
          {"/~cddb/cddb.cgi?cmd=cddb+query+27008305+5+150+1500+3300+5625+7200+133" + kSampleHello,
           "/~cddb/cddb.cgi?cmd=cddb+read+misc+27008305" + kSampleHello}));

  TRun Read =
      RunCli(Sample + "read --category misc --discid 27008305 --server " + Server.HostPort());
  EXPECT_EQ(Read.Status, 0) << Read.Err;
  EXPECT_EQ(Read.Out, kSampleEntryOut);

  // At level 5 the server answers in Latin-1, with "?" for what it cannot hold.
  TRun Old = RunCli(Sample + "read --category misc --discid 27008305 --proto 5 --server " +
                    Server.HostPort());
  EXPECT_EQ(Old.Status, 0) << Old.Err;
  EXPECT_TRUE(Has(Old.Out, "TTITLE1: Bj\xC3\xB6rk's\\tTune\nTTITLE2: ????\n")) << Old.Out;
  const std::vector<std::string> Asked = Server.Requests();
  ASSERT_FALSE(Asked.empty());
  EXPECT_TRUE(Asked.back().ends_with("&proto=5")) << Asked.back();
}

TEST(CddbLookupCommand, InexactListThroughAProxy) {
  cddbtest::TCddbServer Server;
  const char* Entries[][2] = {{"blues", "26008305"}, {"folk", "27018305"}, {"rock", "28008305"}};
  for (auto [Category, Id] : Entries)
    Server.AddEntry(Category, Id, {150, 1510, 3290, 5625, 7200}, 134,
                    "DISCID=" + std::string(Id) + "\nDTITLE=" + Category +
                        "\nTTITLE0=\nTTITLE1=\nTTITLE2=\nTTITLE3=\nTTITLE4=\n");
  TRun Run = RunCli("--image " TOLVAR_SAMPLE_CUE
                    " cddb query --choose 2 --verbose"
                    " --email me@example.com --server cddb.invalid --proxy " +
                    Server.HostPort());
  EXPECT_EQ(Run.Status, 0) << Run.Err;
  EXPECT_EQ(Run.Out,
            "Match 0: blues 26008305 blues\nMatch 1: folk 27018305 folk\n"
            "Match 2: rock 28008305 rock\nCategory: rock\nDisc ID: 28008305\n");
  std::string Url =
      "http://cddb.invalid/~cddb/cddb.cgi?cmd=cddb+query+27008305+5+150+1500+3300+"
      "5625+7200+133&hello=me+example%2Ecom+Tolvar+v0%2E7&proto=6";
  EXPECT_EQ(Server.Requests(), std::vector<std::string>{Url});
  EXPECT_TRUE(Has(Run.Err, Url + "\n") &&
              Has(Run.Err, "211 Found inexact matches, list follows (until terminating `.')\n"))
      << Run.Err;
}

TEST(CddbLookupCommand, FailuresExitWithStatusAndMessage) {
  cddbtest::TCddbServer Server;
  std::string Sample = "--image " TOLVAR_SAMPLE_CUE " cddb ";
  std::string At = " --server " + Server.HostPort();
  TRun NoMatch = RunCli(Sample + "lookup" + At);
  EXPECT_EQ(NoMatch.Status, 1);
  EXPECT_EQ(NoMatch.Out, "");
  EXPECT_TRUE(Has(NoMatch.Err, "No match found\n")) << NoMatch.Err;

  AddSampleEntry(Server);
  TRun Declined = RunCli(Sample + "lookup --choose -1" + At);
  EXPECT_EQ(Declined.Status, 1);
  EXPECT_EQ(Declined.Out, "Match 0: misc 27008305 Tolvar Ensemble / Sample Songs\n");

  TRun WrongPath = RunCli(Sample + "query --path /cgi-bin/cddb.cgi" + At);
  EXPECT_EQ(WrongPath.Status, 1);
  EXPECT_TRUE(Has(WrongPath.Err, "incomplete answer from the server (HTTP 404 Not Found)"))
      << WrongPath.Err;

  // An entry that does not parse is no result, and the line is named.
  cddbtest::TCddbServer Broken;
  Broken.AddEntry("misc", "27008305", kSampleOffsets, 133,
                  "# Revision: seven\nDISCID=27008305\nTTITLE0=\nTTITLE1=\nTTITLE2=\n"
                  "TTITLE3=\nTTITLE4=\n");
  TRun Unparsed = RunCli(Sample + "read --category misc --server " + Broken.HostPort());
  EXPECT_EQ(Unparsed.Status, 1);
  EXPECT_EQ(Unparsed.Out, "");
  EXPECT_TRUE(
      Has(Unparsed.Err, "'seven' is not a valid integer value in line \"# Revision: seven\"\n"))
      << Unparsed.Err;

  EXPECT_EQ(RunCli(Sample + "read" + At).Status, 2);
  EXPECT_EQ(RunCli(Sample + "query --category rock" + At).Status, 2);
  EXPECT_EQ(RunCli(Sample + "query --choose 100" + At).Status, 2);
}
