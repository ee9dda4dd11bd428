// Scenario tests: tolvar-cli drives and toc run as a user runs them, on
// generated images, with their output and exit codes.
#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <filesystem>

#include "RipTestSupport.h"
#include "RipperTestSupport.h"

using namespace tolvar;
using namespace std::string_literals;
using namespace tolvar::fixtures;

namespace {

struct TRun {
  std::string Out, Err;
  int Code = -1;
};

std::string Quote(const std::string& Text) {
  std::string Q = "'";
  for (char C : Text) Q += C == '\'' ? std::string("'\\''") : std::string(1, C);
  return Q + "'";
}

class Cli : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!cdrip::RealDevices().empty()) GTEST_SKIP() << "this machine has a CD drive";
  }

  // Runs the program with Args; Env holds extra NAME=VALUE words.
  TRun Run(const std::vector<std::string>& Args, const std::vector<std::string>& Env = {},
           const std::string& Program = TOLVAR_CLI) {
    std::string Command =
        "env -u TOLVAR_CD_IMAGES -u TOLVAR_SAMPLE_DISC TOLVAR_APPDIR=" + Quote(Dir.Path() + "/");
    for (const std::string& E : Env) Command += " " + Quote(E);
    Command += " " + Quote(Program);
    for (const std::string& A : Args) Command += " " + Quote(A);
    Command += " 2>" + Quote(Dir / "stderr");
    TRun R;
    FILE* Pipe = popen(Command.c_str(), "r");
    char Buffer[4096];
    size_t N;
    while ((N = fread(Buffer, 1, sizeof Buffer, Pipe)) > 0) R.Out.append(Buffer, N);
    int Status = pclose(Pipe);
    R.Code = WIFEXITED(Status) ? WEXITSTATUS(Status) : -1;
    R.Err = ReadFile(Dir / "stderr");
    return R;
  }

  std::string Image(const std::string& Name, const std::vector<TImageTrack>& Tracks) {
    WriteDiscImage(Dir / Name, Tracks);
    return Dir / Name;
  }

  TTempDir Dir;
};

}  // namespace

TEST_F(Cli, TocShowsTheSampleDiscWhenNothingElseIsGiven) {
  TRun R = Run({"toc"});
  EXPECT_EQ(R.Code, 0) << R.Err;
  EXPECT_EQ(R.Out,
            "Found 1 CDROM Drive(s), A audio Disc is Loaded in (1st) drive.\n"
            "Track 1 = 00:18\n"
            "Track 2 = 00:24\n"
            "Track 3 = 00:31\n"
            "Track 4 = 00:21\n"
            "Track 5 = 00:37\n"
            "Disc ID: 00027500\n"
            "Disc type: 1\n"
            "Track01 start=0 end=1349 duration=17986 kind=Audio\n"
            "Track02 start=1350 end=3149 duration=23986 kind=Audio\n"
            "Track03 start=3150 end=5474 duration=30986 kind=Audio\n"
            "Track04 start=5475 end=7049 duration=20986 kind=Audio\n"
            "Track05 start=7050 end=9824 duration=36986 kind=Audio\n");
  EXPECT_EQ(R.Err, "");
}

TEST_F(Cli, TocOfTheSampleImageGivenByName) {
  TRun R = Run({"--image", TOLVAR_SAMPLE_CUE, "toc"});
  EXPECT_EQ(R.Code, 0);
  EXPECT_NE(R.Out.find("Disc ID: 00027500\n"), std::string::npos);
}

TEST_F(Cli, AMixedModeImageShowsItsDataTrack) {
  TRun R = Run({"--image", Image("mixed.cue", {{1500}, {300}, {600, true}}), "toc"});
  EXPECT_EQ(R.Code, 0) << R.Err;
  EXPECT_EQ(R.Out,
            "Found 1 CDROM Drive(s), A composite Disc is Loaded in (1st) drive.\n"
            "Track 1 = 00:20\n"
            "Track 2 = 00:04\n"
            "Track 3 = Data Track\n"
            "Disc ID: 00003200\n"  // 0x200 + 0x1600 + 0x1A00: 0:02:00, 0:22:00, 0:26:00
            "Disc type: 2\n"
            "Track01 start=0 end=1499 duration=19986 kind=Audio\n"
            "Track02 start=1500 end=1799 duration=3986 kind=Audio\n"
            "Track03 start=1800 end=2399 duration=7986 kind=Data\n");
}

TEST_F(Cli, TwoTrackDiscsGetTheShortDiscId) {
  TRun R = Run({"--image", Image("two.cue", {{300}, {200}}), "toc"});
  EXPECT_NE(R.Out.find("Disc ID: 000009f4\n"), std::string::npos) << R.Out;
}

TEST_F(Cli, DrivesListsEveryImageAndTheFirstImageIsSelected) {
  std::string A = Image("a.cue", {{300}}), B = Image("b.cue", {{150}, {150}});
  TRun R = Run({"--image", A, "--image", B, "drives"});
  EXPECT_EQ(R.Code, 0);
  EXPECT_EQ(R.Out, "0: Image: " + A + "\n1: Image: " + B + "\n");

  R = Run({"--image", A, "--image", B, "toc"});
  EXPECT_EQ(R.Code, 0);
  EXPECT_NE(R.Out.find("Track01 start=0 end=299"), std::string::npos);

  R = Run({"--image", A, "--image", B, "--drive", "1", "toc"});
  EXPECT_EQ(R.Code, 0);
  EXPECT_NE(R.Out.find("Track02 start=150 end=299"), std::string::npos) << R.Out;
}

TEST_F(Cli, ImagesOfTheEnvironmentComeBeforeTheCommandLines) {
  std::string A = Image("a.cue", {{300}}), B = Image("b.cue", {{150}, {150}});
  TRun R = Run({"--image", B, "toc"}, {"TOLVAR_CD_IMAGES=" + A});
  EXPECT_EQ(R.Code, 0);
  EXPECT_EQ(R.Out.substr(0, R.Out.find('\n')),
            "Found 2 CDROM Drive(s), A audio Disc is Loaded in (1st) drive.");
  EXPECT_NE(R.Out.find("Track02 start=150"), std::string::npos);  // b.cue, the --image
  R = Run({"drives"}, {"TOLVAR_CD_IMAGES=" + A});
  EXPECT_EQ(R.Out, "0: Image: " + A + "\n");  // no sample disc beside a configured drive
}

TEST_F(Cli, ImagesOfTheSettingsFileAreDrivesToo) {
  std::string A = Image("a.cue", {{300}});
  WriteFile(Dir / "CDRipper.ini", "[Images]\nImage1=a.cue\n");
  TRun R = Run({"drives"});
  EXPECT_EQ(R.Out, "0: Image: " + A + "\n");
}

TEST_F(Cli, ANinetyNineTrackImage) {
  WriteDiscImage(Dir / "full.cue", std::vector<TImageTrack>(99, TImageTrack{75}));
  TRun R = Run({"--image", Dir / "full.cue", "toc"});
  EXPECT_EQ(R.Code, 0);
  EXPECT_NE(R.Out.find("Track 99 = 00:01\n"), std::string::npos);
  EXPECT_NE(R.Out.find("Track99 start=7350 end=7424 duration=986 kind=Audio\n"), std::string::npos);
}

TEST_F(Cli, WithNoDriveTocReportsItAndFails) {
  TRun R = Run({"toc"}, {"TOLVAR_SAMPLE_DISC="});
  EXPECT_EQ(R.Code, 1);
  EXPECT_EQ(R.Out, "Found 0 CDROM Drive(s), Disc is not Loaded in active drive.\n");
  EXPECT_EQ(R.Err, "tolvar-cli: no disc in drive 0\n");
  R = Run({"drives"}, {"TOLVAR_SAMPLE_DISC="});
  EXPECT_EQ(R.Code, 0);
  EXPECT_EQ(R.Out, "");
}

TEST_F(Cli, AnImageThatIsNotThereIsAnError) {
  TRun R = Run({"--image", Dir / "missing.cue", "toc"});
  EXPECT_EQ(R.Code, 1);
  EXPECT_EQ(R.Out, "");
  EXPECT_EQ(R.Err, "tolvar-cli: cannot open image " + (Dir / "missing.cue") + "\n");
}

TEST_F(Cli, AFileThatIsNoImageIsADriveWithoutADisc) {
  WriteFile(Dir / "junk.cue", "this is no cue sheet\n");
  TRun R = Run({"--image", Dir / "junk.cue", "toc"});
  EXPECT_EQ(R.Code, 1);
  EXPECT_EQ(R.Out, "Found 1 CDROM Drive(s), Disc is not Loaded in active drive.\n");
}

TEST_F(Cli, ADriveBeyondTheListIsAnError) {
  TRun R = Run({"--drive", "3", "toc"});
  EXPECT_EQ(R.Code, 1);
  EXPECT_EQ(R.Err, "tolvar-cli: there is no drive 3 (found 1)\n");
}

TEST_F(Cli, MistakesInTheCommandLineExitWithTwo) {
  EXPECT_EQ(Run({"toc", "--bogus"}).Code, 2);
  EXPECT_EQ(Run({"drives", "extra"}).Code, 2);
  EXPECT_EQ(Run({"--drive", "x", "toc"}).Code, 2);
  EXPECT_EQ(Run({"--image"}).Code, 2);
}

TEST_F(Cli, WithoutTheCdLibraryTheProgramSaysItIsNotReady) {
  // A copy of the program, with the library it links, in a folder without libcdrip.so.
  std::filesystem::create_directory(Dir / "bin");
  std::filesystem::copy_file(TOLVAR_CLI, Dir / "bin/tolvar-cli");
  std::filesystem::copy_file(std::filesystem::path(TOLVAR_CLI).parent_path() / "liblame_enc.so",
                             Dir / "bin/liblame_enc.so");
  TRun R = Run({"toc"}, {}, Dir / "bin/tolvar-cli");
  EXPECT_EQ(R.Code, 1);
  EXPECT_EQ(R.Out, "CDRip3.DLL is not ready.\n");
  EXPECT_EQ(R.Err, "tolvar-cli: Initialization failure\n");
  R = Run({"drives"}, {}, Dir / "bin/tolvar-cli");
  EXPECT_EQ(R.Code, 1);
  EXPECT_EQ(R.Out, "");
  EXPECT_EQ(R.Err, "tolvar-cli: CDRip3.DLL is not ready.\n");
}

// ---- play, eject, close ----

TEST_F(Cli, PlayPlaysATrackOrItsFirstSecondsAndSaysWhyItCannot) {
  std::string Cue = Image("disc.cue", {{15}, {750}, {100, true}});
  const std::vector<std::string> Null = {"TOLVAR_AUDIO=null"};
  const std::string Found = "Found 1 CDROM Drive(s), A composite Disc is Loaded in (1st) drive.\n";
  auto Start = std::chrono::steady_clock::now();
  TRun R = Run({"--image", Cue, "play", "1"}, Null);  // the whole of its 200 ms
  EXPECT_EQ(R.Code, 0) << R.Err;
  EXPECT_EQ(R.Out, Found);
  EXPECT_GE(std::chrono::steady_clock::now() - Start, std::chrono::milliseconds(190));

  Start = std::chrono::steady_clock::now();
  R = Run({"--image", Cue, "play", "2", "--seconds", "0.3"}, Null);  // of ten seconds
  auto Took = std::chrono::steady_clock::now() - Start;
  EXPECT_EQ(R.Code, 0) << R.Err;
  EXPECT_GE(Took, std::chrono::milliseconds(300));
  EXPECT_LT(Took, std::chrono::seconds(5));

  R = Run({"--image", Cue, "play", "3"}, Null);
  EXPECT_EQ(R.Code, 1);
  EXPECT_EQ(R.Out, Found + "Track 3 is not a Audio Track\n");
  EXPECT_EQ(R.Err, "tolvar-cli: track 3 was not played\n");

  EXPECT_EQ(Run({"play"}).Code, 2);
  EXPECT_EQ(Run({"play", "x"}).Code, 2);
  EXPECT_EQ(Run({"play", "1", "--seconds", "-1"}).Code, 2);
}

TEST_F(Cli, EjectAndCloseMoveTheTrayOfAnImageDriveFromOneRunToTheNext) {
  std::string Cue = Image("disc.cue", {{300}});
  const std::string Loaded = "Found 1 CDROM Drive(s), A audio Disc is Loaded in (1st) drive.\n";
  TRun R = Run({"--image", Cue, "eject"});
  EXPECT_EQ(R.Code, 0) << R.Err;
  EXPECT_EQ(R.Out, Loaded + "Media Removed !!\n");
  EXPECT_EQ(Run({"--image", Cue, "toc"}).Code, 1);  // the tray is still open

  R = Run({"--image", Cue, "close"});
  EXPECT_EQ(R.Code, 0) << R.Err;
  EXPECT_EQ(R.Out,
            "Found 1 CDROM Drive(s), Disc is not Loaded in active drive.\nMedia Loaded !!\n");
  R = Run({"--image", Cue, "close"});  // already closed: nothing arrives
  EXPECT_EQ(R.Out, Loaded);
  EXPECT_EQ(Run({"--image", Cue, "toc"}).Code, 0);
}

// ---- rip ----

TEST_F(Cli, RipOfTheSampleDiscNamesAndTagsEachTrackAsTheWindowDoes) {
  TRun R = Run({"rip", "1-5", "--format", "mp3", "--out", Dir / "mp3"});
  EXPECT_EQ(R.Code, 0) << R.Err;
  std::string Expected;
  for (int T = 1; T <= 5; ++T)
    Expected +=
        Dir / ("mp3/0" + std::to_string(T) + " Unknown - Track " + std::to_string(T) + ".mp3\n");
  EXPECT_EQ(R.Out, Expected);
  const std::string Mp3 = ReadFile(Dir / "mp3/03 Unknown - Track 3.mp3");
  EXPECT_EQ(Mp3.substr(0, 3), "ID3");
  EXPECT_NE(Mp3.find("Ripped by Tolvar"), std::string::npos);
  EXPECT_EQ(Mp3.substr(Mp3.size() - 128, 10), "TAGTrack 3");
  // Not a terminal: plain progress lines.
  EXPECT_NE(R.Err.find("Ripping " + (Dir / "mp3/05 Unknown - Track 5.mp3") + ": 100%\n"),
            std::string::npos);
}

TEST_F(Cli, RipOfTheWholeSampleDiscIntoOneOggFileWithItsCueSheet) {
  TRun R = Run({"rip", "1-5", "--format", "ogg", "--single", "--out", Dir / "ogg"});
  EXPECT_EQ(R.Code, 0) << R.Err;
  const std::string Ogg = Dir / "ogg/Unknown - Unknown.ogg";
  EXPECT_EQ(R.Out, Ogg + "\n" + (Dir / "ogg/Unknown - Unknown.cue") + "\n");
  EXPECT_TRUE(tolvar::testing::OggInfoPasses(Ogg));
  EXPECT_NE(tolvar::testing::VorbisComments(Ogg).find("TITLE=Unknown (tracks 1-5)\n"),
            std::string::npos);
  const std::string Cue = ReadFile(Dir / "ogg/Unknown - Unknown.cue");
  EXPECT_EQ(Cue.substr(0, Cue.find('\r')), "FILE \"" + Ogg + "\" WAVE");
  EXPECT_NE(Cue.find("  TRACK 05 AUDIO\r\n    INDEX 01 01:34:00\r\n    TITLE \"Track 5\"\r\n"),
            std::string::npos);
}

TEST_F(Cli, JapaneseTextsStayWholeInNamesTagsCommentsAndTheSheet) {
  const std::string Hoshi = "\xE6\x98\x9F", Nagare = "\xE6\xB5\x81\xE3\x82\x8C";
  TRun R = Run({"rip", "1", "--artist", Hoshi, "--title", Nagare, "--out", Dir / "j"});
  EXPECT_EQ(R.Code, 0) << R.Err;
  const std::string Mp3 = ReadFile(Dir / ("j/01 " + Hoshi + " - " + Nagare + ".mp3"));
  // ID3v2: UTF-16 with byte-order mark; ID3v1: Latin-1, "?" for each character.
  EXPECT_NE(Mp3.find(std::string("TIT2\0\0\0\x07\0\0\x01\xFF\xFE\x41\x6D\x8C\x30", 17)),
            std::string::npos);
  EXPECT_EQ(Mp3.substr(Mp3.size() - 128, 6), "TAG??"s + '\0');

  R = Run({"rip", "1-2", "--single", "--format", "ogg", "--artist", Hoshi, "--title", Nagare,
           "--out", Dir / "j"});
  EXPECT_EQ(R.Code, 0) << R.Err;
  const std::string Ogg = Dir / ("j/01_02 " + Hoshi + " - Unknown.ogg");
  EXPECT_NE(tolvar::testing::VorbisComments(Ogg).find("ARTIST=" + Hoshi +
                                                      "\nALBUM=Unknown\nTITLE=" + Nagare + "\n"),
            std::string::npos);
  const std::string Cue = ReadFile(Dir / ("j/01_02 " + Hoshi + " - Unknown.cue"));
  EXPECT_EQ(Cue.substr(0, Cue.find('\r')), "FILE \"" + Ogg + "\" WAVE");
}

TEST_F(Cli, RipOptionsChooseFormatFolderAndTexts) {
  const std::string Disc = Image("three.cue", {{150}, {151}, {152}});
  TRun R = Run({"--image", Disc, "rip", "2-3", "--single", "--format", "wav", "--artist",
                "\xC3\x84rger", "--album", "Live", "--out", Dir / "a/b/"});
  EXPECT_EQ(R.Code, 0) << R.Err;
  const std::string Wav = Dir / "a/b/02_03 \xC3\x84rger - Live.wav";
  EXPECT_EQ(R.Out, Wav + "\n" + (Dir / "a/b/02_03 \xC3\x84rger - Live.cue") + "\n");
  EXPECT_TRUE(ReadFile(Wav).substr(44) ==
              tolvar::testing::ImagePcm(2, 0, 151) + tolvar::testing::ImagePcm(3, 0, 152));

  R = Run({"--image", Disc, "rip", "1,3", "--format", "pcm", "--out", Dir / "p"});
  EXPECT_EQ(R.Code, 0) << R.Err;
  EXPECT_EQ(ReadFile(Dir / "p/03 Unknown - Track 3.pcm").size(), 152u * kSectorBytes);
  EXPECT_TRUE(FileExists(Dir / "p/01 Unknown - Track 1.pcm"));

  // A mono MP3 (with the LAME header frame, so the decoded length is exact).
  R = Run({"--image", Disc, "rip", "2", "--title", "Solo", "--mode", "mono", "--vbr-header",
           "--out", Dir / "m"});
  EXPECT_EQ(R.Code, 0) << R.Err;
  EXPECT_EQ(tolvar::testing::DecodeMp3(Dir / "m/02 Unknown - Solo.mp3").size(),
            151u * kSectorBytes / 2);
}

TEST_F(Cli, RipMistakesExitWithTwoAndFailuresWithOne) {
  for (const std::vector<std::string>& Args :
       std::vector<std::vector<std::string>>{{"rip"},
                                             {"rip", "x"},
                                             {"rip", "3-2"},
                                             {"rip", "0"},
                                             {"rip", "1,"},
                                             {"rip", "1", "--format", "aac"},
                                             {"rip", "1,3", "--single"},
                                             {"rip", "1-2", "--title", "T"},
                                             {"rip", "1", "--ogg-quality", "10"}})
    EXPECT_EQ(Run(Args).Code, 2) << Args[1];
  TRun R = Run({"rip", "9", "--out", Dir.Path()});
  EXPECT_EQ(R.Code, 1);
  EXPECT_EQ(R.Err, "tolvar-cli: there is no track 9 on the disc (5 tracks)\n");
  WriteFile(Dir / "file", "");
  R = Run({"rip", "1", "--out", Dir / "file/sub"});
  EXPECT_EQ(R.Code, 1);
  EXPECT_EQ(R.Err, "tolvar-cli: Invalid directory to save: " + (Dir / "file/sub") + "\n");
  R = Run({"--image", Image("mixed.cue", {{150}, {150, true}}), "rip", "2"});
  EXPECT_EQ(R.Code, 1);
  EXPECT_EQ(R.Err, "tolvar-cli: track 2 is a data track\n");
}

TEST_F(Cli, CtrlCStopsTheRipAndKeepsThePartialFile) {
  TImageOptions Sparse;
  Sparse.Sparse = true;
  WriteDiscImage(Dir / "long.cue", {{90000}}, Sparse);  // 20 minutes
  const std::string Script = "env -u TOLVAR_CD_IMAGES " + Quote(TOLVAR_CLI) + " --image " +
                             Quote(Dir / "long.cue") + " rip 1 --out " + Quote(Dir.Path()) + " >" +
                             Quote(Dir / "out") + " 2>" + Quote(Dir / "err") + " & pid=$!\n" +
                             "for i in $(seq 200); do grep -q Ripping " + Quote(Dir / "err") +
                             " && break; sleep 0.05; done\n"
                             "kill -INT $pid; wait $pid; echo $?";
  EXPECT_EQ(RunCommand(Script), "1\n");
  const std::string File = Dir / "01 Unknown - Track 1.mp3";
  EXPECT_EQ(ReadFile(Dir / "out"), "");
  EXPECT_NE(ReadFile(Dir / "err")
                .find("tolvar-cli: Process stopped; the partial file " + File + " is kept\n"),
            std::string::npos);
  EXPECT_TRUE(FileExists(File));
}

TEST_F(Cli, ARipStopsWhenAnotherRunEjectsTheImageOrTheImageGoesAway) {
  TImageOptions Sparse;
  Sparse.Sparse = true;
  WriteDiscImage(Dir / "long.cue", {{90000}}, Sparse);  // 20 minutes
  const std::string File = Dir / "out/01 Unknown - Track 1.mp3";
  const std::string Program = "env -u TOLVAR_CD_IMAGES TOLVAR_APPDIR=" + Quote(Dir.Path() + "/") +
                              " " + Quote(TOLVAR_CLI) + " --image " + Quote(Dir / "long.cue");
  auto RipAndRemove = [&](const std::string& Removal) {
    const std::string Script = Program + " rip 1 --out " + Quote(Dir / "out") + " >/dev/null 2>" +
                               Quote(Dir / "err") + " & pid=$!\n" +
                               "for i in $(seq 200); do grep -q Ripping " + Quote(Dir / "err") +
                               " && break; sleep 0.05; done\n" + Removal + "\nwait $pid; echo $?";
    EXPECT_EQ(RunCommand(Script), "1\n") << Removal;
    EXPECT_NE(ReadFile(Dir / "err").find("tolvar-cli: the disc was removed while ripping " + File),
              std::string::npos)
        << ReadFile(Dir / "err");
    EXPECT_FALSE(FileExists(File));
  };
  RipAndRemove(Program + " eject >/dev/null");
  EXPECT_EQ(Run({"--image", Dir / "long.cue", "close"}).Code, 0);
  RipAndRemove("mv " + Quote(Dir / "long.cue") + " " + Quote(Dir / "away.cue"));
}

// ---- cue ----

TEST_F(Cli, CueWritesTheSheetOfTheFileASingleRipWouldMake) {
  const std::string Disc = Image("four.cue", {{150}, {150}, {17700}, {150}});
  TRun R = Run({"--image", Disc, "cue", Dir / "a.cue", "--first", "3", "--last", "4", "--format",
                "wav", "--artist", "Band", "--out", Dir / "my dir/"});
  EXPECT_EQ(R.Code, 0) << R.Err;
  EXPECT_EQ(R.Out, (Dir / "a.cue") + "\n");
  const std::string Sheet = ReadFile(Dir / "a.cue");
  EXPECT_EQ(Sheet.substr(0, Sheet.find('\r')),
            "FILE \"" + (Dir / "my dir/03_04 Band - Unknown.wav") + "\" WAVE");
  EXPECT_EQ(RunCommand("cuebreakpoints " + ShellQuote(Dir / "a.cue")), "3:56.00\n");
  // The whole disc by default: the name without a number prefix.
  R = Run({"--image", Disc, "cue", Dir / "b.cue", "--out", Dir.Path()});
  EXPECT_EQ(R.Code, 0) << R.Err;
  const std::string Whole = ReadFile(Dir / "b.cue");
  EXPECT_EQ(Whole.substr(0, Whole.find('\r')),
            "FILE \"" + (Dir / "Unknown - Unknown.mp3") + "\" MP3");
  EXPECT_NE(Whole.find("  TRACK 04 AUDIO\r\n    INDEX 01 04:00:00\r\n"), std::string::npos);

  EXPECT_EQ(Run({"--image", Disc, "cue"}).Code, 2);
  R = Run({"--image", Disc, "cue", Dir / "c.cue", "--last", "9"});
  EXPECT_EQ(R.Code, 1);
  EXPECT_EQ(R.Err, "tolvar-cli: there is no track 9 on the disc (4 tracks)\n");
}

TEST_F(Cli, RipOfTheSampleDiscToFlacAndOpusNumbersTheTracksOfTheDisc) {
  for (const std::string Format : {"flac", "opus"}) {
    TRun R = Run({"rip", "1-5", "--format", Format, "--album-artist", "Various", "--disc", "1/2",
                  "--out", Dir / Format});
    ASSERT_EQ(R.Code, 0) << R.Err;
    for (int T = 1; T <= 5; ++T) {
      const std::string Path = Dir / (Format + "/0" + std::to_string(T) + " Unknown - Track " +
                                      std::to_string(T) + "." + Format);
      EXPECT_NE(R.Out.find(Path + "\n"), std::string::npos) << R.Out;
      EXPECT_TRUE(Format == "flac" ? tolvar::testing::FlacTestPasses(Path)
                                   : tolvar::testing::OpusInfoPasses(Path));
      const std::string Tags = tolvar::testing::Output(
          "/usr/bin/python3 -c 'import sys, mutagen; t = mutagen.File(sys.argv[1]); "
          "print(t[\"TRACKNUMBER\"][0], t[\"TRACKTOTAL\"][0], t[\"ALBUMARTIST\"][0], "
          "t[\"DISCNUMBER\"][0], t[\"DISCTOTAL\"][0])' " +
          ShellQuote(Path));
      EXPECT_EQ(Tags, std::to_string(T) + " 5 Various 1 2\n") << Path;
    }
  }
  EXPECT_EQ(Run({"rip", "1-2", "--track", "3/9"}).Code, 2);  // one number for two files
}
