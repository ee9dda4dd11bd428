// Scenario tests of "tolvar-cli encode": the built program on generated WAV
// files, its output lines, its files and its error exits.
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "EncoderTestSupport.h"
#include "TestSupport.h"

using namespace tolvar::testing;
using tolvar::fixtures::FileExists;
using tolvar::fixtures::ReadFile;
using tolvar::fixtures::TTempDir;
using tolvar::fixtures::WriteFile;

namespace {

int Cli(const std::string& Args, std::string* Out = nullptr, std::string* Err = nullptr) {
  return RunCommand(Quote(TOLVAR_CLI) + " " + Args, Out, Err);
}

}  // namespace

TEST(EncodeCli, EncodesEachFileBesideItAndPrintsItsPath) {
  TTempDir Dir;
  WriteFile(Dir / "one.wav", WavBytes(TestPcm(30000, 2), 2));
  WriteFile(Dir / "two.WAV", WavBytes(TestPcm(20000, 2), 2));
  std::string Out, Err;
  ASSERT_EQ(Cli("encode " + Quote(Dir / "one.wav") + " " + Quote(Dir / "two.WAV"), &Out, &Err), 0)
      << Err;
  EXPECT_EQ(Out, (Dir / "one.mp3") + "\n" + (Dir / "two.mp3") + "\n");
  EXPECT_EQ(Err, "");  // progress only on a terminal
  for (const char* Name : {"one.mp3", "two.mp3"}) {
    TDecoded Decoded = DecodeMp3(Dir / Name);
    EXPECT_TRUE(Decoded.Ok) << Name << ": " << Decoded.Messages;
    EXPECT_GT(Decoded.Pcm.size(), 70000u);
  }
}

TEST(EncodeCli, FactoryDefaultsAreTheLameCommandsCbr128StereoCrc) {
  TTempDir Dir;
  WriteFile(Dir / "a.wav", WavBytes(TestPcm(44100, 2), 2));
  std::string Err;
  ASSERT_EQ(Cli("encode " + Quote(Dir / "a.wav"), nullptr, &Err), 0) << Err;
  ASSERT_EQ(RunCommand("lame --quiet --noreplaygain -m s -b 128 -q 5 -p -o -t " +
                       Quote(Dir / "a.wav") + " " + Quote(Dir / "lame.mp3")),
            0);
  EXPECT_TRUE(ReadFile(Dir / "a.mp3") == ReadFile(Dir / "lame.mp3"));
  TFrameWalk Walk = WalkFrames(ReadFile(Dir / "a.mp3"));
  ASSERT_TRUE(Walk.Ok);
  for (const TFrameHeader& H : Walk.Frames) {
    EXPECT_EQ(H.Bitrate, 128);
    EXPECT_EQ(H.Mode, 0);
    EXPECT_TRUE(H.Crc);
    EXPECT_FALSE(H.Copyright || H.Original || H.Private);
  }
}

TEST(EncodeCli, OptionsReachTheFrameHeaders) {
  TTempDir Dir;
  WriteFile(Dir / "a.wav", WavBytes(TestPcm(30000, 2), 2));
  std::string Err;
  ASSERT_EQ(Cli("encode --bitrate 192 --mode dual --quality high --no-crc --copyright --original "
                "--private " +
                    Quote(Dir / "a.wav"),
                nullptr, &Err),
            0)
      << Err;
  TFrameWalk Walk = WalkFrames(ReadFile(Dir / "a.mp3"));
  ASSERT_TRUE(Walk.Ok);
  ASSERT_FALSE(Walk.Frames.empty());
  for (const TFrameHeader& H : Walk.Frames) {
    EXPECT_EQ(H.Bitrate, 192);
    EXPECT_EQ(H.Mode, 2);
    EXPECT_FALSE(H.Crc);
    EXPECT_TRUE(H.Copyright && H.Original && H.Private);
  }
  ASSERT_EQ(Cli("encode --mode mono --bitrate 64 " + Quote(Dir / "a.wav"), nullptr, &Err), 0)
      << Err;
  Walk = WalkFrames(ReadFile(Dir / "a.mp3"));
  ASSERT_TRUE(Walk.Ok);
  for (const TFrameHeader& H : Walk.Frames) EXPECT_EQ(H.Mode, 3);
  EXPECT_TRUE(DecodeMp3(Dir / "a.mp3").Ok);
}

TEST(EncodeCli, VbrWritesAFilledHeaderUnlessTurnedOff) {
  TTempDir Dir;
  std::string Pcm = TestPcm(2 * 44100, 2);
  WriteFile(Dir / "a.wav", WavBytes(Pcm, 2));
  std::string Err;
  ASSERT_EQ(Cli("encode --vbr --vbr-quality 6 --bitrate 32 --max-bitrate 256 --mode joint " +
                    Quote(Dir / "a.wav"),
                nullptr, &Err),
            0)
      << Err;
  std::string Mp3 = ReadFile(Dir / "a.mp3");
  uint32_t Frames = 0;
  ASSERT_TRUE(HasFilledVbrHeader(Mp3, Frames));
  EXPECT_NE(Mp3.find("Xing"), std::string::npos);
  TDecoded Decoded = DecodeMp3(Dir / "a.mp3");
  ASSERT_TRUE(Decoded.Ok);
  EXPECT_EQ(Decoded.Pcm.size(), Pcm.size());
  for (const TFrameHeader& H : WalkFrames(Mp3).Frames) EXPECT_LE(H.Bitrate, 256);

  ASSERT_EQ(Cli("encode --vbr --no-vbr-header " + Quote(Dir / "a.wav"), nullptr, &Err), 0) << Err;
  EXPECT_FALSE(HasFilledVbrHeader(ReadFile(Dir / "a.mp3"), Frames));
  ASSERT_EQ(Cli("encode --vbr-header " + Quote(Dir / "a.wav"), nullptr, &Err), 0) << Err;
  Mp3 = ReadFile(Dir / "a.mp3");
  EXPECT_TRUE(HasFilledVbrHeader(Mp3, Frames));
  EXPECT_NE(Mp3.find("Info"), std::string::npos);  // a CBR file's header is called "Info"
}

TEST(EncodeCli, CommandLineMistakesExitWithTwo) {
  TTempDir Dir;
  WriteFile(Dir / "a.wav", WavBytes(TestPcm(1000, 2), 2));
  const char* Mistakes[] = {
      "encode",
      "encode --mode quad A",
      "encode --quality best A",
      "encode --bitrate 100 A",
      "encode --bitrate abc A",
      "encode --max-bitrate 640 A",
      "encode --vbr-quality 10 A",
      "encode --crc --no-crc A",
      "encode --frobnicate A",
  };
  for (std::string Args : Mistakes) {
    if (auto At = Args.find(" A"); At != std::string::npos)
      Args.replace(At, 2, " " + Quote(Dir / "a.wav"));
    std::string Out, Err;
    EXPECT_EQ(Cli(Args, &Out, &Err), 2) << Args;
    EXPECT_NE(Err.find("Try 'tolvar-cli --help'"), std::string::npos) << Args;
    EXPECT_EQ(Out, "") << Args;
  }
  EXPECT_FALSE(FileExists(Dir / "a.mp3"));
}

TEST(EncodeCli, FailureExitsWithOneAfterTheFilesBeforeIt) {
  TTempDir Dir;
  WriteFile(Dir / "a.wav", WavBytes(TestPcm(1000, 2), 2));
  WriteFile(Dir / "short.wav", "RIFF");
  WriteFile(Dir / "c.wav", WavBytes(TestPcm(1000, 2), 2));
  std::string Out, Err;
  EXPECT_EQ(Cli("encode " + Quote(Dir / "a.wav") + " " + Quote(Dir / "short.wav") + " " +
                    Quote(Dir / "c.wav"),
                &Out, &Err),
            1);
  EXPECT_EQ(Out, (Dir / "a.mp3") + "\n");
  EXPECT_EQ(Err, "tolvar-cli: Read Error\n");
  EXPECT_TRUE(FileExists(Dir / "a.mp3"));
  EXPECT_FALSE(FileExists(Dir / "short.mp3"));
  EXPECT_FALSE(FileExists(Dir / "c.mp3"));
  EXPECT_EQ(Cli("encode " + Quote(Dir / "nothere.wav"), &Out, &Err), 1);
  EXPECT_EQ(Err, "tolvar-cli: Cannot open file \"" + (Dir / "nothere.wav") +
                     "\". No such file or directory\n");
}

TEST(EncodeCli, JobsWriteWhatOneAtATimeWritesAndPrintInArgumentOrder) {
  TTempDir Dir;
  // The longest first, so that later files finish before it; "same.WAV"
  // writes the output of "same.wav" again.
  const std::pair<const char*, uint32_t> Files[] = {{"long.wav", 6 * 44100},
                                                    {"b.wav", 44100},
                                                    {"same.wav", 30000},
                                                    {"c.wav", 88200},
                                                    {"same.WAV", 20000}};
  std::string Args;
  for (const auto& [Name, Frames] : Files) {
    WriteFile(Dir / Name, WavBytes(TestPcm(Frames, 2), 2));
    Args += " " + Quote(Dir / Name);
  }
  for (const std::string Format : {"mp3", "flac", "opus", "ogg"}) {
    // Ogg streams carry serial numbers that differ from file to file: their audio is compared.
    auto Contents = [&](const std::string& Path) {
      std::string Decoded;
      if (Format == "opus")
        RunCommand("opusdec --quiet --no-dither " + Quote(Path) + " -", &Decoded);
      else if (Format == "ogg")
        RunCommand("oggdec --quiet --raw -o - " + Quote(Path), &Decoded);
      return Format == "opus" || Format == "ogg" ? Decoded : ReadFile(Path);
    };
    std::string Expected;
    for (const auto& [Name, Frames] : Files)
      Expected +=
          Dir / (std::string(Name).substr(0, std::string(Name).find('.')) + "." + Format) + "\n";
    std::vector<std::string> Results[2];
    for (int Jobs : {1, 3}) {
      std::string Out, Err;
      ASSERT_EQ(
          Cli("encode --format " + Format + " --jobs " + std::to_string(Jobs) + Args, &Out, &Err),
          0)
          << Err;
      EXPECT_EQ(Out, Expected) << Format << " --jobs " << Jobs;
      for (const char* Stem : {"long", "b", "same", "c"}) {
        Results[Jobs / 3].push_back(Contents(Dir / (std::string(Stem) + "." + Format)));
        EXPECT_GT(Results[Jobs / 3].back().size(), 1000u) << Stem << "." << Format;
      }
    }
    EXPECT_TRUE(Results[0] == Results[1]) << Format;
  }
  // A failing file among others: those before it complete, none after it is left.
  WriteFile(Dir / "bad.wav", "RIFF");
  WriteFile(Dir / "d.wav", WavBytes(TestPcm(3 * 44100, 2), 2));
  std::string Out, Err;
  EXPECT_EQ(Cli("encode --jobs 3 " + Quote(Dir / "long.wav") + " " + Quote(Dir / "bad.wav") + " " +
                    Quote(Dir / "d.wav"),
                &Out, &Err),
            1);
  EXPECT_EQ(Out, (Dir / "long.mp3") + "\n");
  EXPECT_EQ(Err, "tolvar-cli: Read Error\n");
  EXPECT_FALSE(FileExists(Dir / "bad.mp3") || FileExists(Dir / "d.mp3"));
}

TEST(EncodeCli, InterruptCancelsAndKeepsThePartialFile) {
  TTempDir Dir;
  // Long enough that the encoder is still busy when the signal comes.
  WriteFile(Dir / "long.wav", WavBytes(TestPcm(60 * 44100, 2), 2));
  std::string OutPath = Dir / "out.txt", ErrPath = Dir / "err.txt";
  pid_t Child = fork();
  ASSERT_GE(Child, 0);
  if (Child == 0) {
    freopen(OutPath.c_str(), "w", stdout);
    freopen(ErrPath.c_str(), "w", stderr);
    std::string Input = Dir / "long.wav";
    execl(TOLVAR_CLI, TOLVAR_CLI, "encode", Input.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  // Wait until encoded bytes arrive, then press Ctrl-C.
  struct stat Info {};
  auto Deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while ((stat((Dir / "long.mp3").c_str(), &Info) != 0 || Info.st_size == 0) &&
         std::chrono::steady_clock::now() < Deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  kill(Child, SIGINT);
  int Status = 0;
  waitpid(Child, &Status, 0);
  ASSERT_TRUE(WIFEXITED(Status));
  EXPECT_EQ(WEXITSTATUS(Status), 1);
  EXPECT_EQ(ReadFile(OutPath), "") << "a cancelled file is not reported as written";
  EXPECT_EQ(ReadFile(ErrPath), "tolvar-cli: encoding cancelled; the partial file " +
                                   (Dir / "long.mp3") + " is kept\n");
  std::string Partial = ReadFile(Dir / "long.mp3");
  EXPECT_FALSE(Partial.empty());
  EXPECT_LT(Partial.size(), 60u * 16000u);  // less than the whole minute at 128 kbit/s
  TFrameWalk Walk = WalkFrames(Partial);
  EXPECT_TRUE(Walk.Ok || Walk.CutShort);
  EXPECT_TRUE(DecodeMp3(Dir / "long.mp3").Ok);
}

TEST(EncodeCli, HelpListsTheEncoderOptions) {
  std::string Out;
  ASSERT_EQ(Cli("--help", &Out), 0);
  for (const char* Option :
       {"encode FILE...", "--bitrate", "--max-bitrate", "--vbr", "--vbr-quality", "--vbr-header",
        "--mode stereo|joint|dual|mono", "--quality normal|low|high|voice", "--no-crc",
        "--copyright", "--original", "--private"})
    EXPECT_NE(Out.find(Option), std::string::npos) << Option;
}
