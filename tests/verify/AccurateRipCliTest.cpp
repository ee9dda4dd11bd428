// tolvar-cli accuraterip on generated disc images against a local stand-in
// for the database (tests/fixtures/accuraterip_server.py) serving files the
// test writes from its own reference.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <sstream>

#include "ArReference.h"
#include "DiscImage.h"
#include "LocalServer.h"
#include "TestSupport.h"

using namespace tolvar;
namespace fs = std::filesystem;

namespace {

struct TRun {
  int Status = -1;
  std::string Out, Err;
};

class AccurateRipCli : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(Db);
    Server = std::make_unique<fixtures::TLocalServer>(
        fixtures::FixturesDir() + "/accuraterip_server.py", std::vector<std::string>{Db});
  }

  TRun Cli(const std::string& Image, const std::string& Arguments,
           const std::string& Environment = "") {
    const std::string Command = "(env TOLVAR_ACCURATERIP_URL=" + Server->Url("") + " " +
                                Environment + TOLVAR_CLI " --image " + Image + " " + Arguments +
                                " 2>" + Dir / "err)";
    TRun Run;
    Run.Out = fixtures::RunCommand(Command, &Run.Status);
    Run.Err = fixtures::ReadFile(Dir / "err");
    return Run;
  }

  // The CDDB ID as "cddb discid" prints it.
  std::string CddbId(const std::string& Image) {
    const TRun Run = Cli(Image, "cddb discid");
    EXPECT_EQ(Run.Status, 0) << Run.Err;
    return Run.Out.substr(9, 8);
  }

  // The database file's path below Db for the disc (its folder made), and the disc's IDs.
  std::string DatabaseFile(const std::string& Image, uint32_t (&Ids)[3]) {
    const TRun Id = Cli(Image, "accuraterip id");
    EXPECT_EQ(Id.Status, 0) << Id.Err;
    const std::string Name = Id.Out.substr(16, Id.Out.find('\n') - 16);
    for (int K = 0; K < 3; ++K) Ids[K] = std::stoul(Name.substr(4 + 9 * K, 8), nullptr, 16);
    const size_t Path = Id.Out.find("/accuraterip/");
    const std::string File = Db + Id.Out.substr(Path, Id.Out.size() - 1 - Path);
    fs::create_directories(fs::path(File).parent_path());
    return File;
  }

  fixtures::TTempDir Dir;
  std::string Db = Dir / "db";
  std::unique_ptr<fixtures::TLocalServer> Server;
};

}  // namespace

TEST_F(AccurateRipCli, IdSkipsATrailingDataTrackButCountsTheRealLeadOut) {
  const std::string Cue = Dir / "enhanced.cue";
  fixtures::TImageOptions Sparse;
  Sparse.Sparse = true;
  fixtures::WriteDiscImage(Cue, {{15000}, {15000}, {3000, true}}, Sparse);
  // Starts 0 and 15000, lead-out 33000: id1 = 48000, id2 = 1 + 2 x 15000 + 3 x 33000.
  const std::string Name = "002-0000bb80-0001f7e9-" + CddbId(Cue);
  const TRun Run = Cli(Cue, "accuraterip id");
  EXPECT_EQ(Run.Status, 0) << Run.Err;
  EXPECT_EQ(Run.Out, "AccurateRip ID: " + Name + "\nURL: " + Server->Url("") +
                         "/accuraterip/0/8/b/dBAR-" + Name + ".bin\n");
}

TEST_F(AccurateRipCli, LookupPrintsTheDiscsPressingsOrSaysItIsNotInTheDatabase) {
  const std::string Cue = Dir / "disc.cue";
  fixtures::WriteDiscImage(Cue, {{1500}, {1800}, {2100}});
  TRun Run = Cli(Cue, "accuraterip lookup");
  EXPECT_EQ(Run.Status, 1) << Run.Err;
  EXPECT_EQ(Run.Out, "Not in database\n");

  // Starts 0, 1500, 3300, lead-out 5400: id1 = 10200, id2 = 1 + 3000 + 9900 + 21600.
  const std::string Cddb = CddbId(Cue);
  const uint32_t CddbValue = std::stoul(Cddb, nullptr, 16);
  using fixtures::ReferenceRecord;
  const std::string File =
      ReferenceRecord(10200, 34501, CddbValue + 1, {{99, 1, 1}, {99, 2, 2}, {99, 3, 3}}) +
      ReferenceRecord(10200, 34501, CddbValue, {{12, 0xA1B2C3D4, 0x11}, {3, 2, 0x22}, {0, 3, 0}}) +
      ReferenceRecord(10200, 34501, CddbValue, {{1, 4, 5}, {2, 6, 7}, {200, 0xFFFFFFFF, 9}});
  const std::string Truncated = ReferenceRecord(10200, 34501, CddbValue, {{7, 7, 7}, {7, 7, 7}});
  fs::create_directories(Db + "/accuraterip/8/d/7");
  fixtures::WriteFile(Db + "/accuraterip/8/d/7/dBAR-003-000027d8-000086c5-" + Cddb + ".bin",
                      File + Truncated.substr(0, Truncated.size() - 3));
  Run = Cli(Cue, "accuraterip lookup");
  EXPECT_EQ(Run.Status, 0) << Run.Err;
  EXPECT_EQ(Run.Out,
            "Pressing 1: 3 tracks\n"
            "Track 01: confidence 12 checksum A1B2C3D4 sector450 00000011\n"
            "Track 02: confidence 3 checksum 00000002 sector450 00000022\n"
            "Track 03: confidence 0 checksum 00000003 sector450 00000000\n"
            "Pressing 2: 3 tracks\n"
            "Track 01: confidence 1 checksum 00000004 sector450 00000005\n"
            "Track 02: confidence 2 checksum 00000006 sector450 00000007\n"
            "Track 03: confidence 200 checksum FFFFFFFF sector450 00000009\n");
}

TEST_F(AccurateRipCli, VerifyMatchesEachTrackAgainstAnyPressingByV1OrV2) {
  const std::string Cue = Dir / "data.cue";
  // The data track at the end makes track 3 the last audio track.
  const std::vector<uint32_t> Sectors{1500, 1800, 2100};
  fixtures::WriteDiscImage(Cue, {{1500}, {1800}, {2100}, {300, true}});
  std::vector<fixtures::TRefSums> Sums;
  for (int T = 1; T <= 3; ++T) {
    std::vector<uint32_t> Frames(Sectors[T - 1] * fixtures::kFramesPerSector);
    for (size_t F = 0; F < Frames.size(); ++F) Frames[F] = fixtures::TestAudioFrame(T, F);
    Sums.push_back(fixtures::ReferenceSums(Frames, T == 1, T == 3));
  }
  TRun Run = Cli(Cue, "verify 1");
  EXPECT_EQ(Run.Status, 1) << Run.Err;
  EXPECT_TRUE(Run.Out.ends_with(": not in database\n")) << Run.Out;

  const TRun Id = Cli(Cue, "accuraterip id");
  ASSERT_EQ(Id.Status, 0) << Id.Err;
  const size_t Path = Id.Out.find("/accuraterip/");
  const std::string Url = Id.Out.substr(Path, Id.Out.size() - 1 - Path);
  const std::string Name = Id.Out.substr(16, Id.Out.find('\n') - 16);
  uint32_t Ids[3];
  for (int K = 0; K < 3; ++K) Ids[K] = std::stoul(Name.substr(4 + 9 * K, 8), nullptr, 16);
  auto Record = [&](const std::vector<fixtures::TRefEntry>& E) {
    return fixtures::ReferenceRecord(Ids[0], Ids[1], Ids[2], E);
  };
  // Track 1 by v1 and track 2 by v2, both only in the second pressing; track 3 nowhere.
  const std::string File = Record({{9, 1, 0}, {9, 2, 0}, {9, 3, 0}}) +
                           Record({{4, Sums[0].V1, 0}, {5, Sums[1].V2, 0}, {6, ~Sums[2].V1, 0}}) +
                           Record({{7, 7, 0}, {7, Sums[0].V2 + 1, 0}, {8, ~Sums[2].V2, 0}});
  fs::create_directories(fs::path(Db + Url).parent_path());
  fixtures::WriteFile(Db + Url, File);

  auto Line = [&](int T) {
    char Text[80];
    std::snprintf(Text, sizeof Text, "Track %02d: v1 %08X v2 %08X crc32 ", T, Sums[T - 1].V1,
                  Sums[T - 1].V2);
    return std::string(Text);
  };
  Run = Cli(Cue, "verify");
  EXPECT_EQ(Run.Status, 1) << Run.Err;
  const std::vector<std::string> Verdicts{": accurate (confidence 4, v1)\n",
                                          ": accurate (confidence 5, v2)\n", ": not accurate\n"};
  size_t At = 0;
  for (int T = 1; T <= 3; ++T) {
    ASSERT_EQ(Run.Out.compare(At, Line(T).size(), Line(T)), 0) << Run.Out;
    At = Run.Out.find('\n', At) + 1;
    EXPECT_EQ(Run.Out.substr(At - Verdicts[T - 1].size(), Verdicts[T - 1].size()), Verdicts[T - 1]);
  }
  Run = Cli(Cue, "verify 1-2");
  EXPECT_EQ(Run.Status, 0) << Run.Err;
}

TEST_F(AccurateRipCli, OffsetDetectFindsTheOffsetThatVerifiedRipsThenUse) {
  const std::string Cue = Dir / "offset.cue";
  // The data track at the end is silence to an offset that reaches into it.
  const std::vector<fixtures::TImageTrack> Tracks{{600}, {700}, {650}, {300, true}};
  fixtures::WriteDiscImage(Cue, Tracks);
  TRun Run = Cli(Cue, "offset detect");
  EXPECT_EQ(Run.Status, 1) << Run.Err;
  EXPECT_EQ(Run.Out, "Read offset: not found\n");

  uint32_t Ids[3];
  const std::string File = DatabaseFile(Cue, Ids);
  // The disc frame by frame (the data track silent), and the pressing a drive
  // with read offset K would have to read from it.
  std::vector<uint32_t> Disc;
  std::vector<size_t> Starts;
  for (int T = 1; T <= 4; ++T) {
    Starts.push_back(Disc.size());
    for (uint64_t F = 0; F < uint64_t{Tracks[T - 1].Sectors} * fixtures::kFramesPerSector; ++F)
      Disc.push_back(T == 4 ? 0 : fixtures::TestAudioFrame(T, F));
  }
  auto Pressing = [&](int64_t K) {
    std::vector<fixtures::TRefEntry> Entries;
    for (int T = 1; T <= 3; ++T) {
      std::vector<uint32_t> Frames(Starts[T] - Starts[T - 1]);
      for (size_t F = 0; F < Frames.size(); ++F) {
        const int64_t At = int64_t(Starts[T - 1] + F) + K;
        Frames[F] = At < 0 || At >= int64_t(Disc.size()) ? 0 : Disc[At];
      }
      const fixtures::TRefSums Sums = fixtures::ReferenceSums(Frames, T == 1, T == 3);
      Entries.push_back({uint8_t(10 + T), Sums.V1, Sums.Sector450});
    }
    return fixtures::ReferenceRecord(Ids[0], Ids[1], Ids[2], Entries);
  };
  for (const auto& [K, Text] :
       std::vector<std::pair<int, std::string>>{{6, "+6"}, {-30, "-30"}, {700, "+700"}}) {
    fixtures::WriteFile(File, Pressing(K));
    Run = Cli(Cue, "offset detect");
    EXPECT_EQ(Run.Status, 0) << Run.Err;
    EXPECT_EQ(Run.Out, "Read offset: " + Text + "\n");
  }

  // The drive's offset from the settings file, as the window keeps it.
  fixtures::WriteFile(Dir / "tolvar.ini",
                      "[Metadata]\nSources=cdtext\n[Drives]\nImage: " + Cue + "=700\n");
  const std::string AppDir = "TOLVAR_APPDIR=" + Dir.Path() + "/ ";
  Run = Cli(Cue, "verify");
  EXPECT_EQ(Run.Status, 1) << Run.Out;
  Run = Cli(Cue, "verify 3 --offset 700");
  EXPECT_EQ(Run.Status, 0) << Run.Out << Run.Err;
  Run =
      Cli(Cue, "rip 1-3 --format flac --out " + Dir / "out" + " --verify --log " + Dir / "rip.log",
          AppDir);
  EXPECT_EQ(Run.Status, 0) << Run.Err;
  // Three paths, then a verdict line per track.
  std::istringstream Lines(Run.Out);
  std::string Line;
  for (int L = 1; std::getline(Lines, Line); ++L) {
    if (L <= 3) continue;
    EXPECT_TRUE(Line.starts_with("Track 0" + std::to_string(L - 3) + ": v1 ") &&
                Line.ends_with(": accurate (confidence " + std::to_string(7 + L) + ", v1)"))
        << Run.Out;
  }
  EXPECT_EQ(std::count(Run.Out.begin(), Run.Out.end(), '\n'), 6) << Run.Out;
  EXPECT_EQ(Cli(Cue, "log verify " + Dir / "rip.log").Out, "Log checksum OK\n");
  std::string Log = fixtures::ReadFile(Dir / "rip.log");
  EXPECT_NE(Log.find("Read offset: +700\n"), std::string::npos) << Log;
  Log[Log.find("Copy CRC: ") + 10] ^= 1;
  fixtures::WriteFile(Dir / "rip.log", Log);
  Run = Cli(Cue, "log verify " + Dir / "rip.log");
  EXPECT_EQ(Run.Status, 1);
  EXPECT_EQ(Run.Out, "Log checksum mismatch\n");
}

TEST_F(AccurateRipCli, ARipWhoseDatabaseFailsEndsWithTheErrorAndKeepsWhatItRipped) {
  const std::string Cue = Dir / "two.cue";
  fixtures::WriteDiscImage(Cue, {{900}, {800}});
  // Nothing listens on port 1: the request fails while the first track is read.
  const TRun Run = Cli(Cue, "rip 1-2 --format wav --out " + Dir / "out" + " --verify",
                       "TOLVAR_ACCURATERIP_URL=http://127.0.0.1:1 ");
  EXPECT_NE(Run.Status, 0);
  EXPECT_NE(Run.Err.find("AccurateRip"), std::string::npos) << Run.Err;
  EXPECT_EQ(Run.Out.find("Track 01: v1"), std::string::npos) << Run.Out;
  const std::string First = Run.Out.substr(0, Run.Out.find('\n'));
  EXPECT_TRUE(First.ends_with(".wav") && fs::file_size(First) > 900u * 2352) << Run.Out;
}
