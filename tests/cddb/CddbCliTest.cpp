// Scenario tests: the built tolvar-cli on generated disc images, checked
// against libdiscid's freedb ID for the offsets the CUE sheet states.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <sstream>

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
