// Rips through the pipeline against the one-track rip over the real CD
// library: the same files, reported in track order, and the stops and
// failures that end a job early.
#include <unistd.h>

#include <filesystem>

#include "RipTestSupport.h"
#include "RipperTestSupport.h"
#include "encoders/LameCoder.h"
#include "ripper/RipPipeline.h"

using namespace tolvar;
using namespace tolvar::fixtures;
using namespace tolvar::testing;
namespace fs = std::filesystem;

namespace {

using TState = TRipPipeline::TFileState;

enum class TFormat { Wav, Pcm, Mp3, Flac, Ogg, Opus };

int Threads() {
  int N = 0;
  for ([[maybe_unused]] auto& E : fs::directory_iterator("/proc/self/task")) ++N;
  return N;
}

class RipPipelineTest : public RealLibraryTest {
 protected:
  void SetUp() override {
    RealLibraryTest::SetUp();
    if (Real > 0)
      GTEST_SKIP() << "these tests want the image drives first; this machine has a drive";
    std::vector<TImageTrack> Tracks;
    for (uint32_t T = 0; T < 12; ++T) Tracks.push_back({40 + 9 * T});
    ASSERT_TRUE(Load({MakeImage("disc.cue", Tracks)}));
    Ripper.Init();
    Ripper.SetJitterCorrect(false);
    Ripper.SetCoder(&Coder);
    SetTagText(Ripper.TagInfo.Artist, "Artist");
    SetTagText(Ripper.TagInfo.Album, "Album");
    SetTagText(Ripper.TagInfo.Year, "2026");
  }

  void Use(TFormat F) {
    Format = F;
    Ripper.WriteWAV = F == TFormat::Wav;
    Ripper.Encode = F == TFormat::Mp3 || F == TFormat::Flac || F == TFormat::Opus;
    Ripper.StreamEncoding.reset();
    if (F == TFormat::Flac) Ripper.StreamEncoding = TStreamSettings{TStreamFormat::Flac};
    if (F == TFormat::Opus) Ripper.StreamEncoding = TStreamSettings{TStreamFormat::Opus};
  }
  std::string Name(const std::string& Folder, int Track) const {
    static const char* const kExt[] = {".wav", ".pcm", ".mp3", ".flac", ".ogg", ".opus"};
    fs::create_directories(fs::path(Dir.Path()) / Folder);
    return Dir.Path() + "/" + Folder + "/t" + std::to_string(Track) +
           kExt[static_cast<int>(Format)];
  }
  void Name(int Track) {
    SetTagText(Ripper.TagInfo.Title, "Song " + std::to_string(Track));
    Ripper.FileName = Name(Folder, Track);
  }
  // The tracks as the one-track rip makes them, into "ref".
  void Reference(int Tracks) {
    Folder = "ref";
    for (int T = 1; T <= Tracks; ++T) {
      Name(T);
      Format == TFormat::Ogg ? Ripper.RipOgg(T) : Ripper.Rip(T);
    }
  }
  // The tracks through a pipeline of Jobs threads, into Into; returns what it reported.
  std::vector<TRipPipeline::TFileDone> Pipeline(int Jobs, int Tracks, const std::string& Into) {
    Folder = Into;
    std::vector<TRipPipeline::TFileDone> Done;
    TRipPipeline P(Ripper, Jobs);
    P.OnFileDone = [&](const TRipPipeline::TFileDone& F) {
      EXPECT_TRUE(F.State != TState::Whole || fs::exists(F.FileName));  // complete when reported
      Done.push_back(F);
    };
    for (int T = 1; T <= Tracks; ++T) {
      Name(T);
      if (!P.Rip(T, -1, Format == TFormat::Ogg)) break;
    }
    try {
      P.Finish();
    } catch (const ECDRIPError& Error) {
      Failure = Error.what();
    }
    return Done;
  }
  // The file's audio as a decoder gives it (the bytes themselves for the
  // formats whose bytes must be equal).
  std::string Audio(const std::string& Path) const {
    if (Format == TFormat::Ogg) return DecodeOgg(Path);
    if (Format == TFormat::Opus) return DecodeOpus(Path);
    return ReadFile(Path);
  }
  void ExpectLikeReference(const std::string& Folder, int Track) {
    const std::string Got = Audio(Name(Folder, Track)), Want = Audio(Name("ref", Track));
    EXPECT_FALSE(Want.empty());
    EXPECT_TRUE(Got == Want) << Name(Folder, Track);
  }

  TLameCoder Coder;
  TCDRipper Ripper;
  TFormat Format = TFormat::Mp3;
  std::string Folder;
  std::string Failure;
};

}  // namespace

TEST_F(RipPipelineTest, EveryFormatGivesTheOneTrackRipsFilesInTrackOrder) {
  for (TFormat F :
       {TFormat::Mp3, TFormat::Flac, TFormat::Opus, TFormat::Ogg, TFormat::Wav, TFormat::Pcm}) {
    Use(F);
    Reference(12);
    const bool Encoded = F != TFormat::Wav && F != TFormat::Pcm;
    for (int Jobs : Encoded ? std::vector<int>{1, 2, 4} : std::vector<int>{2}) {
      std::string Read;
      Ripper.OnAudioRead = [&](const uint8_t* B, size_t N) {
        Read.append(reinterpret_cast<const char*>(B), N);
      };
      const std::string Into = "j" + std::to_string(Jobs);
      const auto Done = Pipeline(Jobs, 12, Into);
      Ripper.OnAudioRead = nullptr;
      ASSERT_EQ(Done.size(), 12u);
      std::string Pcm;
      for (int T = 1; T <= 12; ++T) {
        EXPECT_EQ(Done[T - 1].Track, T);
        EXPECT_EQ(Done[T - 1].State, TState::Whole);
        ExpectLikeReference(Into, T);
        Pcm += ImagePcm(T, 0, 40 + 9 * (T - 1));
      }
      EXPECT_TRUE(Read == Pcm);  // the checksums' hook saw every chunk, in order
    }
    if (F == TFormat::Flac) {
      EXPECT_EQ(FlacTags(Name("j4", 7)), FlacTags(Name("ref", 7)));
    }
    if (F == TFormat::Ogg) {
      EXPECT_EQ(VorbisComments(Name("j4", 7)), VorbisComments(Name("ref", 7)));
    }
    fs::remove_all(Dir.Path() + "/ref");
  }
}

TEST_F(RipPipelineTest, AbortDuringTheThirdOfFiveTracksStopsEveryThread) {
  Use(TFormat::Mp3);
  Reference(5);
  const int ThreadsBefore = Threads(), Descriptors = OpenDescriptors();
  int Reading = 0, Chunks = 0;
  Ripper.OnBeginTrack = [&](TCDRipper*, uint16_t T) { Reading = T; };
  Ripper.OnProgress = [&](TCDRipper*, uint16_t) {
    if (Reading == 3 && ++Chunks == 2) Ripper.Abort();
  };
  const auto Done = Pipeline(2, 5, "cut");
  // Files an encoder had begun end there, in track order; the others are not made.
  ASSERT_LE(Done.size(), 3u);
  for (size_t I = 0; I < Done.size(); ++I) {
    const auto& F = Done[I];
    EXPECT_EQ(F.Track, static_cast<int>(I) + 1);
    if (F.State == TState::Whole) {
      ExpectLikeReference("cut", F.Track);
      continue;
    }
    // A stopped file is kept, ended and tagged as the one-track rip keeps it.
    EXPECT_EQ(F.State, TState::Stopped);
    const std::string Partial = ReadFile(F.FileName);
    ASSERT_GT(Partial.size(), 128u);
    EXPECT_EQ(Partial.substr(0, 3), "ID3");
    EXPECT_EQ(Partial.substr(Partial.size() - 128, 3), "TAG");
    EXPECT_LT(DecodeMp3(F.FileName).size(), DecodeMp3(Name("ref", F.Track)).size());
  }
  for (int T = static_cast<int>(Done.size()) + 1; T <= 5; ++T)
    EXPECT_FALSE(fs::exists(Name("cut", T)));
  EXPECT_EQ(Failure, "");
  EXPECT_EQ(Threads(), ThreadsBefore);
  EXPECT_EQ(OpenDescriptors(), Descriptors);
}

TEST_F(RipPipelineTest, AFileThatCannotBeWrittenIsRemovedAndReported) {
  Use(TFormat::Flac);
  Reference(4);
  const int ThreadsBefore = Threads();
  ASSERT_EQ(symlink("/dev/full", Name("full", 2).c_str()), 0);
  const auto Done = Pipeline(2, 4, "full");
  ASSERT_GE(Done.size(), 2u);
  EXPECT_EQ(Done[0].State, TState::Whole);
  EXPECT_EQ(Done[1].State, TState::Failed);
  EXPECT_EQ(Done[1].Error, "Write error");
  EXPECT_FALSE(fs::exists(fs::symlink_status(Name("full", 2))));
  for (const auto& F : Done)
    if (F.State == TState::Whole) ExpectLikeReference("full", F.Track);
  EXPECT_EQ(Failure, "Write error");
  EXPECT_EQ(Threads(), ThreadsBefore);
}

TEST_F(RipPipelineTest, MediaRemovedWhileTracksAreEncodedFailsTheTrackBeingRead) {
  Use(TFormat::Ogg);
  Reference(5);
  int Reading = 0, Chunks = 0;
  Ripper.OnBeginTrack = [&](TCDRipper*, uint16_t T) { Reading = T; };
  Ripper.OnProgress = [&](TCDRipper*, uint16_t) {
    if (Reading == 3 && ++Chunks == 1) {
      CR_EjectCD(true);
      Ripper.DeviceChange(0x8004);
    }
  };
  const auto Done = Pipeline(4, 5, "gone");
  ASSERT_EQ(Done.size(), 3u);
  // Read whole before the disc went: encoded to the end.
  EXPECT_EQ(Done[0].State, TState::Whole);
  EXPECT_EQ(Done[1].State, TState::Whole);
  ExpectLikeReference("gone", 1);
  ExpectLikeReference("gone", 2);
  EXPECT_EQ(Done[2].State, TState::Failed);
  EXPECT_FALSE(fs::exists(Name("gone", 3)));
  EXPECT_FALSE(fs::exists(Name("gone", 4)));
  EXPECT_EQ(Failure, "the disc was removed while ripping " + Name("gone", 3));
}
