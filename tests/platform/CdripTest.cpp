// The CD reading library through its C interface, on generated disc images.
#include "platform/cdrip/CDRip.h"

#include <gtest/gtest.h>

#include <unistd.h>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "DiscImage.h"
#include "TestSupport.h"
#include "platform/cdrip/CdDrives.h"

using namespace tolvar;
using namespace tolvar::cdrip;
using namespace tolvar::fixtures;
constexpr int32_t kBytesPerSector = 2352;

namespace {

constexpr double kPi = 3.14159265358979323846;

struct TRip {
  std::vector<uint8_t> Bytes;
  std::vector<int32_t> Results;  // every CR_RipChunk result, 4 last
  std::vector<int32_t> Sizes;    // bytes of each chunk
  int32_t BufferBytes = 0;
};

class CdripTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("TOLVAR_APPDIR", (Dir.Path() + "/").c_str(), 1);
    unsetenv(kImagesVariable);
    Real = static_cast<int32_t>(RealDevices().size());
  }
  void TearDown() override {
    CR_CloseRipper();
    unsetenv(kImagesVariable);
    unsetenv("TOLVAR_APPDIR");
  }

  std::string MakeImage(const std::string& Name, const std::vector<TImageTrack>& Tracks,
                        const TImageOptions& Options = {}) {
    std::string Path = Dir / Name;
    WriteDiscImage(Path, Tracks, Options);
    return Path;
  }

  // The images become the image drives; the first of them is active.
  void Use(const std::vector<std::string>& Images) {
    std::string List;
    for (const std::string& I : Images) List += (List.empty() ? "" : ":") + I;
    setenv(kImagesVariable, List.c_str(), 1);
    ASSERT_EQ(CR_Init("CDRipper.ini"), 0);
    ASSERT_EQ(CR_GetNumCDROM(), Real + static_cast<int32_t>(Images.size()));
    ASSERT_EQ(CR_SetActiveCDROM(Real), 0);
  }

  void SetParams(int32_t Jitter, int32_t Format, int32_t Sectors = 26) {
    TDriveParams P;
    ASSERT_EQ(CR_GetCDROMParameters(&P), 0);
    P.JitterCorrection = Jitter;
    P.OutputFormat = Format;
    P.NumReadSectors = Sectors;
    ASSERT_EQ(CR_SetCDROMParameters(&P), 0);
  }

  // A one-track image whose BIN holds big-endian samples (a MOTOROLA file).
  std::string MakeMotorolaImage(uint32_t Sectors) {
    MakeImage("le.cue", {{Sectors}});
    std::string Bin = ReadFile(Dir / "le.bin");
    for (size_t I = 0; I + 1 < Bin.size(); I += 2) std::swap(Bin[I], Bin[I + 1]);
    WriteFile(Dir / "moto.bin", Bin);
    WriteFile(Dir / "moto.cue",
              "FILE \"moto.bin\" MOTOROLA\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n");
    return Dir / "moto.cue";
  }

  TRip Rip(int32_t First, int32_t Last) {
    TRip R;
    EXPECT_EQ(CR_OpenRipper(&R.BufferBytes, First, Last), 0);
    std::vector<uint8_t> Buffer(R.BufferBytes);
    for (int Guard = 0; Guard < 100000; ++Guard) {
      int32_t Bytes = -1, Abort = 0;
      int32_t Result = CR_RipChunk(Buffer.data(), &Bytes, &Abort);
      R.Results.push_back(Result);
      R.Sizes.push_back(Bytes);
      if (Result == 0 || Result == 3)
        R.Bytes.insert(R.Bytes.end(), Buffer.begin(), Buffer.begin() + Bytes);
      if (Result == 4 || Result == 1) break;
    }
    return R;
  }

  TTempDir Dir;
  int32_t Real = 0;
};

// The image's PCM for sectors First..Last of a disc whose tracks start at Starts.
std::vector<uint8_t> ImagePcm(const std::vector<int32_t>& Starts, int32_t First, int32_t Last) {
  std::vector<uint8_t> Pcm;
  uint8_t Sector[kBytesPerSector];
  for (int32_t S = First; S <= Last; ++S) {
    int Track = 1;
    while (Track < static_cast<int>(Starts.size()) && S >= Starts[Track]) ++Track;
    TestAudioSector(Track, static_cast<uint32_t>(S - Starts[Track - 1]), Sector);
    Pcm.insert(Pcm.end(), Sector, Sector + kBytesPerSector);
  }
  return Pcm;
}

std::vector<int16_t> Samples(const std::vector<uint8_t>& Bytes) {
  std::vector<int16_t> S(Bytes.size() / 2);
  for (size_t I = 0; I < S.size(); ++I)
    S[I] = static_cast<int16_t>(Bytes[2 * I] | Bytes[2 * I + 1] << 8);
  return S;
}

// A tone on both channels.
TAudioFill Tone(double Hz) {
  return [Hz](int, uint32_t Sector, uint8_t* Bytes) {
    for (uint32_t F = 0; F < kFramesPerSector; ++F) {
      double T = (static_cast<double>(Sector) * kFramesPerSector + F) / 44100.0;
      auto V = static_cast<int16_t>(std::lround(12000 * std::sin(2 * kPi * Hz * T)));
      for (int C = 0; C < 2; ++C) {
        Bytes[F * 4 + C * 2] = static_cast<uint8_t>(V);
        Bytes[F * 4 + C * 2 + 1] = static_cast<uint8_t>(static_cast<uint16_t>(V) >> 8);
      }
    }
  };
}

double Rms(const std::vector<int16_t>& S, size_t From, size_t To) {
  double Sum = 0;
  for (size_t I = From; I < To; ++I) Sum += static_cast<double>(S[I]) * S[I];
  return std::sqrt(Sum / static_cast<double>(To - From));
}

}  // namespace

// ---- Drives ----

TEST_F(CdripTest, ImageDrivesComeFromTheSettingsFileThenTheEnvironment) {
  WriteFile(Dir / "CDRipper.ini",
            "[Images]\nImage1=discs/one.cue\nImage2=" + (Dir / "two.cue") + "\n");
  setenv(kImagesVariable, (Dir / "three.cue").c_str(), 1);
  ASSERT_EQ(CR_Init("CDRipper.ini"), 0);
  ASSERT_EQ(CR_GetNumCDROM(), Real + 3);
  std::vector<std::string> Expected = {Dir / "discs/one.cue", Dir / "two.cue", Dir / "three.cue"};
  EXPECT_EQ(ConfiguredImages(), Expected);
  for (int I = 0; I < 3; ++I) {
    char Name[256];
    ASSERT_EQ(CR_GetCDROMIDByIndex(Real + I, Name, sizeof Name), 0);
    EXPECT_EQ(std::string(Name), "Image: " + Expected[I]);
  }
  char Short[8];
  ASSERT_EQ(CR_GetCDROMIDByIndex(Real, Short, sizeof Short), 0);
  EXPECT_STREQ(Short, "Image: ");  // cut to the buffer, always terminated
  EXPECT_EQ(CR_GetCDROMIDByIndex(Real + 3, Short, sizeof Short), 1);
  EXPECT_STREQ(Short, "");
}

TEST_F(CdripTest, AMissingImageIsADriveWithoutADiscUntilTheFileAppears) {
  std::string Path = Dir / "later.cue";
  Use({Path});
  EXPECT_EQ(CR_IsMediaLoaded(), 0);
  EXPECT_EQ(CR_IsMediaLoadedByIndex(Real), 0);
  EXPECT_EQ(CR_ReadToc(), 1);
  EXPECT_EQ(CR_GetNumTocEntries(), 0);
  WriteDiscImage(Path, {{300}});
  EXPECT_EQ(CR_IsMediaLoadedByIndex(Real), 1);
  EXPECT_EQ(CR_ReadToc(), 0);
  EXPECT_EQ(CR_GetNumTocEntries(), 1);
}

TEST_F(CdripTest, NoDriveAtAllFailsEveryCallCleanly) {
  if (Real > 0) GTEST_SKIP() << "this machine has a CD drive";
  ASSERT_EQ(CR_Init("CDRipper.ini"), 0);
  EXPECT_EQ(CR_GetNumCDROM(), 0);
  EXPECT_EQ(CR_GetActiveCDROM(), 0);
  EXPECT_EQ(CR_SetActiveCDROM(0), 1);
  TDriveParams P{};
  EXPECT_EQ(CR_GetCDROMParameters(&P), 1);
  EXPECT_EQ(CR_SetCDROMParameters(&P), 1);
  EXPECT_EQ(CR_IsMediaLoaded(), 0);
  EXPECT_EQ(CR_ReadToc(), 1);
  EXPECT_EQ(CR_GetNumTocEntries(), 0);
  TTocEntry E{};
  EXPECT_EQ(CR_GetTocEntry2(0, &E), 1);
  int32_t Bytes = 0;
  EXPECT_EQ(CR_OpenRipper(&Bytes, 0, 10), 1);
  EXPECT_EQ(CR_EjectCD(1), 1);
}

TEST_F(CdripTest, AnEmptySettingsNameKeepsThePresentSetUp) {
  std::string A = MakeImage("a.cue", {{100}}), B = MakeImage("b.cue", {{100}});
  Use({A, B});
  ASSERT_EQ(CR_SetActiveCDROM(Real + 1), 0);
  EXPECT_EQ(CR_Init(""), 0);
  EXPECT_EQ(CR_GetActiveCDROM(), Real + 1);
  EXPECT_EQ(CR_GetNumCDROM(), Real + 2);
  EXPECT_EQ(CR_SetActiveCDROM(Real + 2), 1);
  EXPECT_EQ(CR_GetActiveCDROM(), Real + 1);
}

TEST_F(CdripTest, VersionIsMajorTimesHundredPlusMinor) {
  EXPECT_EQ(CR_GetCDRipVersion(), 110);
}

// ---- Table of contents ----

TEST_F(CdripTest, TocHasEveryTrackThenTheLeadOutWithAdrAndControlFlags) {
  Use({MakeImage("mixed.cue", {{300}, {200, true}, {150, false, 75}})});
  ASSERT_EQ(CR_IsMediaLoaded(), 1);
  ASSERT_EQ(CR_ReadToc(), 0);
  ASSERT_EQ(CR_GetNumTocEntries(), 3);
  struct {
    int32_t Start;
    uint8_t Flags, Number;
  } Expected[] = {{0, 16, 1}, {300, 20, 2}, {575, 16, 3}, {725, 16, 0xAA}};
  for (int I = 0; I <= 3; ++I) {
    TTocEntry E{};
    ASSERT_EQ(CR_GetTocEntry2(I, &E), 0) << I;
    EXPECT_EQ(E.StartSector, Expected[I].Start) << I;  // INDEX 01, after the pregap
    EXPECT_EQ(E.Flags, Expected[I].Flags) << I;
    EXPECT_EQ(E.TrackNumber, Expected[I].Number) << I;
  }
  TTocEntry E{};
  EXPECT_EQ(CR_GetTocEntry2(4, &E), 1);
  EXPECT_EQ(CR_GetTocEntry2(-1, &E), 1);
}

TEST_F(CdripTest, ANinetyNineTrackDiscHasAHundredEntries) {
  std::vector<TImageTrack> Tracks(99, TImageTrack{75});
  TImageOptions Sparse;
  Sparse.Sparse = true;
  Use({MakeImage("full.cue", Tracks, Sparse)});
  ASSERT_EQ(CR_ReadToc(), 0);
  ASSERT_EQ(CR_GetNumTocEntries(), 99);
  TTocEntry E{};
  ASSERT_EQ(CR_GetTocEntry2(98, &E), 0);
  EXPECT_EQ(E.TrackNumber, 99);
  EXPECT_EQ(E.StartSector, 98 * 75);
  ASSERT_EQ(CR_GetTocEntry2(99, &E), 0);
  EXPECT_EQ(E.TrackNumber, 0xAA);
  EXPECT_EQ(E.StartSector, 99 * 75);
}

TEST_F(CdripTest, ACdrdaoTocImageReadsLikeItsCueTwin) {
  // cdrdao keeps raw audio big-endian: byte-swap the BIN of a CUE image.
  MakeImage("le.cue", {{300}, {150}});
  std::string Le = ReadFile(Dir / "le.bin");
  std::string Be = Le;
  for (size_t I = 0; I + 1 < Be.size(); I += 2) std::swap(Be[I], Be[I + 1]);
  WriteFile(Dir / "be.bin", Be);
  WriteFile(Dir / "disc.toc",
            "CD_DA\nTRACK AUDIO\nFILE \"be.bin\" 00:00:00 00:04:00\n"
            "TRACK AUDIO\nFILE \"be.bin\" 00:04:00 00:02:00\n");
  Use({Dir / "disc.toc"});
  ASSERT_EQ(CR_ReadToc(), 0);
  ASSERT_EQ(CR_GetNumTocEntries(), 2);
  TTocEntry E{};
  CR_GetTocEntry2(1, &E);
  EXPECT_EQ(E.StartSector, 300);
  CR_GetTocEntry2(2, &E);
  EXPECT_EQ(E.StartSector, 450);
  for (int32_t Jitter : {0, -1}) {
    SetParams(Jitter, STEREO44100);
    TRip R = Rip(250, 449);
    EXPECT_TRUE(R.Bytes == ImagePcm({0, 300}, 250, 449)) << "jitter " << Jitter;
  }
}

// ---- Extraction ----

TEST_F(CdripTest, ParanoiaAndPlainReadsDeliverTheImagesPcm) {
  Use({MakeImage("audio.cue", {{500}, {400}, {120}})});
  for (int32_t Jitter : {0, -1, 1}) {
    SCOPED_TRACE("jitter " + std::to_string(Jitter));
    SetParams(Jitter, STEREO44100);
    TRip R = Rip(100, 950);  // across two track boundaries
    EXPECT_EQ(R.BufferBytes, 26 * kBytesPerSector);
    ASSERT_EQ(R.Bytes.size(), 851u * kBytesPerSector);
    EXPECT_TRUE(R.Bytes == ImagePcm({0, 500, 900}, 100, 950));
    EXPECT_EQ(R.Results.back(), 4);
    EXPECT_EQ(R.Sizes.back(), 0);
    for (size_t I = 0; I + 1 < R.Results.size(); ++I) EXPECT_EQ(R.Results[I], 0);
    EXPECT_EQ(CR_GetPercentCompleted(), 100);
    EXPECT_EQ(CR_GetNumberOfJitterErrors(), 0);
    EXPECT_EQ(CR_CloseRipper(), 0);
  }
}

TEST_F(CdripTest, ReadsReachTheLastSectorBeforeTheLeadOut) {
  Use({MakeImage("audio.cue", {{200}, {100}})});
  for (int32_t Jitter : {0, -1}) {
    SetParams(Jitter, STEREO44100);
    TRip R = Rip(290, 299);
    EXPECT_TRUE(R.Bytes == ImagePcm({0, 200}, 290, 299)) << Jitter;
  }
}

TEST_F(CdripTest, ChunksHaveTheSizeOfTheDriveParametersAndProgressGrows) {
  Use({MakeImage("audio.cue", {{100}})});
  SetParams(0, STEREO44100, 7);
  int32_t BufferBytes = 0;
  ASSERT_EQ(CR_OpenRipper(&BufferBytes, 0, 99), 0);
  EXPECT_EQ(BufferBytes, 7 * kBytesPerSector);
  std::vector<uint8_t> Buffer(BufferBytes);
  std::vector<int32_t> Percents, Sizes;
  int32_t Result, Bytes;
  do {
    Result = CR_RipChunk(Buffer.data(), &Bytes, nullptr);
    Sizes.push_back(Bytes);
    Percents.push_back(CR_GetPercentCompleted());
  } while (Result == 0);
  EXPECT_EQ(Result, 4);
  ASSERT_EQ(Sizes.size(), 16u);  // 14 chunks of 7 sectors, one of 2, then done
  for (int I = 0; I < 14; ++I) EXPECT_EQ(Sizes[I], 7 * kBytesPerSector);
  EXPECT_EQ(Sizes[14], 2 * kBytesPerSector);
  EXPECT_EQ(Percents[0], 7);
  EXPECT_TRUE(std::is_sorted(Percents.begin(), Percents.end()));
  EXPECT_EQ(Percents.back(), 100);
}

TEST_F(CdripTest, RangesOutsideTheDiscAreRefused) {
  Use({MakeImage("audio.cue", {{100}, {50}})});
  int32_t Bytes = 0;
  EXPECT_EQ(CR_OpenRipper(&Bytes, 0, 150), 1);  // the lead-out
  EXPECT_EQ(CR_OpenRipper(&Bytes, -1, 10), 1);
  EXPECT_EQ(CR_OpenRipper(&Bytes, 20, 10), 1);
  EXPECT_EQ(CR_OpenRipper(nullptr, 0, 10), 1);
  uint8_t Buffer[kBytesPerSector];
  EXPECT_EQ(CR_RipChunk(Buffer, &Bytes, nullptr), 1);  // nothing open
  EXPECT_EQ(Bytes, 0);
  EXPECT_EQ(CR_OpenRipper(&Bytes, 0, 149), 0);
  EXPECT_EQ(CR_RipChunk(nullptr, &Bytes, nullptr), 1);
}

TEST_F(CdripTest, TheAbortFlagEndsTheExtraction) {
  Use({MakeImage("audio.cue", {{300}})});
  SetParams(-1, STEREO44100);
  int32_t BufferBytes = 0, Bytes = 0, Abort = 0;
  ASSERT_EQ(CR_OpenRipper(&BufferBytes, 0, 299), 0);
  std::vector<uint8_t> Buffer(BufferBytes);
  EXPECT_EQ(CR_RipChunk(Buffer.data(), &Bytes, &Abort), 0);
  Abort = 1;
  EXPECT_EQ(CR_RipChunk(Buffer.data(), &Bytes, &Abort), 4);
  EXPECT_EQ(Bytes, 0);
}

TEST_F(CdripTest, BigEndianImagesComeBackInHostOrderBothWays) {
  Use({MakeMotorolaImage(200)});
  for (int32_t Jitter : {0, -1}) {
    SetParams(Jitter, STEREO44100);
    EXPECT_TRUE(Rip(0, 199).Bytes == ImagePcm({0}, 0, 199)) << Jitter;
  }
}

TEST_F(CdripTest, SwappedChannelsExchangeLeftAndRight) {
  Use({MakeImage("audio.cue", {{30}})});
  TDriveParams P;
  CR_GetCDROMParameters(&P);
  P.SwapLeftRight = 1;
  P.JitterCorrection = 0;
  ASSERT_EQ(CR_SetCDROMParameters(&P), 0);
  std::vector<int16_t> Out = Samples(Rip(0, 29).Bytes);
  ASSERT_EQ(Out.size(), 30u * kFramesPerSector * 2);
  for (uint32_t F = 0; F < 30 * kFramesPerSector; F += 97) {
    uint32_t Frame = TestAudioFrame(1, F);
    EXPECT_EQ(static_cast<uint16_t>(Out[2 * F]), Frame >> 16);
    EXPECT_EQ(static_cast<uint16_t>(Out[2 * F + 1]), Frame & 0xFFFF);
  }
}

// ---- Output formats ----

TEST_F(CdripTest, MonoIsTheAverageOfBothChannels) {
  Use({MakeImage("audio.cue", {{60}})});
  for (int32_t Jitter : {0, -1}) {
    SetParams(Jitter, MONO44100);
    std::vector<int16_t> Out = Samples(Rip(0, 59).Bytes);
    ASSERT_EQ(Out.size(), 60u * kFramesPerSector);
    for (uint32_t F = 0; F < Out.size(); ++F) {
      uint32_t Frame = TestAudioFrame(1, F);
      int Left = static_cast<int16_t>(Frame & 0xFFFF), Right = static_cast<int16_t>(Frame >> 16);
      ASSERT_EQ(Out[F], (Left + Right) >> 1) << F;
    }
  }
}

TEST_F(CdripTest, LowerRatesKeepATonesPitchAndLength) {
  TImageOptions Options;
  Options.Fill = Tone(1000);
  Use({MakeImage("tone.cue", {{750}}, Options)});  // ten seconds
  struct {
    int32_t Format;
    int Channels, Rate;
  } Cases[] = {{STEREO22050, 2, 22050},
               {MONO22050, 1, 22050},
               {STEREO11025, 2, 11025},
               {MONO11025, 1, 11025}};
  for (auto C : Cases) {
    SCOPED_TRACE(C.Format);
    SetParams(0, C.Format);
    std::vector<int16_t> Out = Samples(Rip(0, 749).Bytes);
    size_t Frames = Out.size() / C.Channels;
    EXPECT_NEAR(static_cast<double>(Frames), 10.0 * C.Rate, 2.0);
    // Away from the edges the output is the same 1 kHz sine at the new rate.
    double Error = 0, Power = 0;
    for (size_t F = C.Rate; F < Frames - C.Rate; ++F) {
      double Expected = 12000 * std::sin(2 * kPi * 1000.0 * static_cast<double>(F) / C.Rate);
      for (int Ch = 0; Ch < C.Channels; ++Ch) {
        double D = Out[F * C.Channels + Ch] - Expected;
        Error += D * D;
        Power += Expected * Expected;
      }
    }
    EXPECT_LT(Error / Power, 1e-3);  // better than 30 dB
  }
}

TEST_F(CdripTest, ResamplingFiltersWhatTheLowerRateCannotCarry) {
  // 8 kHz lies above 11025 Hz's Nyquist frequency: dropping samples would fold
  // it to 3025 Hz at full strength; a real resampler removes it.
  TImageOptions Options;
  Options.Fill = Tone(8000);
  Use({MakeImage("tone.cue", {{150}}, Options)});
  SetParams(0, MONO11025);
  std::vector<int16_t> Out = Samples(Rip(0, 149).Bytes);
  ASSERT_GT(Out.size(), 11025u);
  EXPECT_LT(Rms(Out, 2000, Out.size() - 2000), 12000 / std::sqrt(2.0) / 100);  // below -40 dB
  SetParams(0, MONO22050);
  std::vector<int16_t> Kept = Samples(Rip(0, 149).Bytes);  // 8 kHz fits at 22050 Hz
  EXPECT_NEAR(Rms(Kept, 2000, Kept.size() - 2000), 12000 / std::sqrt(2.0), 300);
}

TEST_F(CdripTest, AReadOffsetShiftsTheAudioWithSilenceBeyondTheAudioTracks) {
  // A data track first on one disc and last on the other: both are silence.
  const std::vector<std::vector<TImageTrack>> Discs{{{300, true}, {500}, {400}},
                                                    {{500}, {400}, {300, true}}};
  for (const auto& Tracks : Discs) {
    Use({MakeImage("offset.cue", Tracks)});
    std::vector<int32_t> Starts{0};
    for (const TImageTrack& T : Tracks) Starts.push_back(Starts.back() + T.Sectors);
    // The disc's audio frame by frame, silence outside its audio tracks.
    auto DiscFrame = [&](int64_t Frame) -> uint32_t {
      for (size_t T = 0; T < Tracks.size(); ++T)
        if (Frame >= int64_t{Starts[T]} * kFramesPerSector &&
            Frame < int64_t{Starts[T + 1]} * kFramesPerSector)
          return Tracks[T].Data ? 0
                                : TestAudioFrame(int(T) + 1, Frame - Starts[T] * kFramesPerSector);
      return 0;
    };
    const size_t FirstAudio = Tracks[0].Data ? 1 : 0, LastAudio = FirstAudio + 1;
    for (int32_t Jitter : {0, -1})
      for (int32_t Offset : {6, -30, 700}) {
        SCOPED_TRACE("jitter " + std::to_string(Jitter) + " offset " + std::to_string(Offset));
        TDriveParams P;
        ASSERT_EQ(CR_GetCDROMParameters(&P), 0);
        P.ReadOffset = Offset;
        ASSERT_EQ(CR_SetCDROMParameters(&P), 0);
        SetParams(Jitter, STEREO44100, 7);
        for (size_t T : {FirstAudio, LastAudio}) {
          const TRip R = Rip(Starts[T], Starts[T + 1] - 1);
          ASSERT_EQ(R.Bytes.size(), size_t(Starts[T + 1] - Starts[T]) * kBytesPerSector);
          size_t Wrong = 0;
          for (size_t F = 0; F < R.Bytes.size() / 4; ++F) {
            uint32_t Got;
            std::memcpy(&Got, R.Bytes.data() + 4 * F, 4);
            Wrong += Got != DiscFrame(int64_t{Starts[T]} * kFramesPerSector + Offset + int64_t(F));
          }
          EXPECT_EQ(Wrong, 0u) << "track " << T + 1;
          EXPECT_EQ(CR_GetNumberOfJitterErrors(), 0);
        }
      }
  }
}

// ---- Drive parameters ----

TEST_F(CdripTest, DriveParametersKeepTheirLayoutAndTheDrivesName) {
  Use({MakeImage("audio.cue", {{30}})});
  TDriveParams P;
  ASSERT_EQ(CR_GetCDROMParameters(&P), 0);
  const auto* Bytes = reinterpret_cast<const uint8_t*>(&P);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(Bytes)), "Image: " + (Dir / "audio.cue"));
  int32_t Jitter, Format;
  std::memcpy(&Jitter, Bytes + 284, 4);
  std::memcpy(&Format, Bytes + 328, 4);
  EXPECT_EQ(Jitter, -1);
  EXPECT_EQ(Format, STEREO44100);
  EXPECT_EQ(P.NumReadSectors, 26);

  std::strcpy(P.ID, "someone else");
  P.OutputFormat = MONO22050;
  P.JitterCorrection = 0;
  P.Speed = 8;
  ASSERT_EQ(CR_SetCDROMParameters(&P), 0);
  TDriveParams Q;
  ASSERT_EQ(CR_GetCDROMParameters(&Q), 0);
  EXPECT_EQ(Q.OutputFormat, MONO22050);
  EXPECT_EQ(Q.JitterCorrection, 0);
  EXPECT_EQ(Q.Speed, 8);
  EXPECT_EQ(std::string(Q.ID), "Image: " + (Dir / "audio.cue"));

  Q.OutputFormat = NUMOUTPUTFORMATS;
  EXPECT_EQ(CR_SetCDROMParameters(&Q), 1);
  EXPECT_EQ(CR_SetCDROMParameters(nullptr), 1);
}

TEST_F(CdripTest, EachDriveKeepsItsOwnParameters) {
  Use({MakeImage("a.cue", {{30}}), MakeImage("b.cue", {{30}})});
  SetParams(0, MONO11025);
  ASSERT_EQ(CR_SetActiveCDROM(Real + 1), 0);
  TDriveParams P;
  ASSERT_EQ(CR_GetCDROMParameters(&P), 0);
  EXPECT_EQ(P.OutputFormat, STEREO44100);
  EXPECT_EQ(std::string(P.ID), "Image: " + (Dir / "b.cue"));
}

// ---- Tray of an image drive ----

TEST_F(CdripTest, OpeningTheTrayOfAnImageDriveUnloadsItAndClosingLoadsItAgain) {
  Use({MakeImage("audio.cue", {{100}, {50}})});
  ASSERT_EQ(CR_ReadToc(), 0);
  EXPECT_EQ(CR_EjectCD(1), 0);
  EXPECT_EQ(CR_IsMediaLoaded(), 0);
  EXPECT_EQ(CR_IsMediaLoadedByIndex(Real), 0);
  EXPECT_EQ(CR_GetNumTocEntries(), 0);
  EXPECT_EQ(CR_ReadToc(), 1);
  int32_t Bytes = 0;
  EXPECT_EQ(CR_OpenRipper(&Bytes, 0, 10), 1);
  EXPECT_EQ(CR_EjectCD(1), 0);  // already open

  EXPECT_EQ(CR_EjectCD(0), 0);
  EXPECT_EQ(CR_IsMediaLoaded(), 1);
  ASSERT_EQ(CR_ReadToc(), 0);
  EXPECT_EQ(CR_GetNumTocEntries(), 2);
  SetParams(-1, STEREO44100);
  EXPECT_TRUE(Rip(0, 149).Bytes == ImagePcm({0, 100}, 0, 149));
}

TEST_F(CdripTest, AnExtractionWhoseDiscLeavesEndsWithAnError) {
  Use({MakeImage("audio.cue", {{300}})});
  for (int32_t Jitter : {0, -1}) {
    SetParams(Jitter, STEREO44100);
    int32_t BufferBytes = 0, Bytes = 0;
    ASSERT_EQ(CR_OpenRipper(&BufferBytes, 0, 299), 0);
    std::vector<uint8_t> Buffer(BufferBytes);
    EXPECT_EQ(CR_RipChunk(Buffer.data(), &Bytes, nullptr), 0);
    ASSERT_EQ(CR_EjectCD(1), 0);
    EXPECT_EQ(CR_RipChunk(Buffer.data(), &Bytes, nullptr), 4);
    EXPECT_EQ(Bytes, 0);
    EXPECT_EQ(CR_GetNumberOfJitterErrors(), 1);
    int32_t Start = 0, End = 0;
    EXPECT_EQ(CR_GetLastJitterErrorPosition(&Start, &End), 0);
    EXPECT_EQ(Start, 26);
    EXPECT_EQ(End, 299);
    EXPECT_EQ(CR_CloseRipper(), 0);
    EXPECT_EQ(CR_GetNumberOfJitterErrors(), 1);  // kept after the close
    ASSERT_EQ(CR_EjectCD(0), 0);
  }
}

// ---- Playback ----
// Into the null output or a file (TOLVAR_AUDIO), never a sound device.

class CdripPlayTest : public CdripTest {
 protected:
  void SetUp() override {
    CdripTest::SetUp();
    setenv("TOLVAR_AUDIO", "null", 1);
  }
  void TearDown() override {
    CR_StopPlayTrack();
    unsetenv("TOLVAR_AUDIO");
    CdripTest::TearDown();
  }
  // Waits while the drive plays or pauses (at most five seconds) and
  // returns its status then; Took receives the time it waited.
  int32_t AwaitPlayEnd(std::chrono::steady_clock::duration* Took = nullptr) {
    auto Start = std::chrono::steady_clock::now();
    int32_t Status;
    while (((Status = CR_DriveStatus()) == 17 || Status == 18) &&
           std::chrono::steady_clock::now() - Start < std::chrono::seconds(5))
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    if (Took) *Took = std::chrono::steady_clock::now() - Start;
    return Status;
  }
};

TEST_F(CdripPlayTest, PlayPauseResumeAndStopAnswerLikeADrive) {
  Use({MakeImage("mixed.cue", {{750}, {100, true}})});
  EXPECT_EQ(CR_DriveStatus(), 21);
  EXPECT_EQ(CR_PauseCD(1), 1);  // nothing to pause or resume
  EXPECT_EQ(CR_PauseCD(0), 1);
  EXPECT_EQ(CR_PlayTrack(2), 1);     // data
  EXPECT_EQ(CR_PlayTrack(3), 1);     // no such track
  EXPECT_EQ(CR_PlayTrack(0xAA), 1);  // the lead-out is none
  EXPECT_EQ(CR_DriveStatus(), 21);

  ASSERT_EQ(CR_PlayTrack(1), 0);
  EXPECT_EQ(CR_DriveStatus(), 17);
  EXPECT_EQ(CR_PauseCD(1), 0);
  EXPECT_EQ(CR_DriveStatus(), 18);
  EXPECT_EQ(CR_IsAudioPlaying(), 1);  // paused, so it can still be stopped
  EXPECT_EQ(CR_PauseCD(0), 0);
  EXPECT_EQ(CR_DriveStatus(), 17);
  EXPECT_EQ(CR_StopPlayTrack(), 0);
  EXPECT_EQ(CR_DriveStatus(), 21);
  EXPECT_EQ(CR_IsAudioPlaying(), 0);
}

TEST_F(CdripPlayTest, ATrackPlaysToItsEndInRealTimeInHostOrder) {
  struct {
    std::string Cue;
    int32_t Track;
    std::vector<uint8_t> Pcm;
  } Cases[] = {{MakeImage("two.cue", {{10}, {15}}), 2, ImagePcm({0, 10}, 10, 24)},
               {MakeMotorolaImage(15), 1, ImagePcm({0}, 0, 14)}};
  for (const auto& C : Cases) {
    SCOPED_TRACE(C.Cue);
    Use({C.Cue});
    setenv("TOLVAR_AUDIO", ("file:" + (Dir / "played.raw")).c_str(), 1);
    ASSERT_EQ(CR_PlayTrack(C.Track), 0);
    std::chrono::steady_clock::duration Took;
    EXPECT_EQ(AwaitPlayEnd(&Took), 19);
    EXPECT_GE(Took, std::chrono::milliseconds(190));  // 15 sectors are 200 ms
    std::string Played = ReadFile(Dir / "played.raw");
    EXPECT_TRUE(Played == std::string(C.Pcm.begin(), C.Pcm.end()));
  }
}

TEST_F(CdripPlayTest, WithoutASoundDeviceTheNullOutputKeepsThePace) {
  Use({MakeImage("short.cue", {{15}})});
  setenv("TOLVAR_AUDIO", "no-such-driver", 1);
  ASSERT_EQ(CR_PlayTrack(1), 0);
  std::chrono::steady_clock::duration Took;
  EXPECT_EQ(AwaitPlayEnd(&Took), 19);
  EXPECT_GE(Took, std::chrono::milliseconds(190));
}

TEST_F(CdripPlayTest, PlaybackAndExtractionOfOneDiscDoNotDisturbEachOther) {
  Use({MakeImage("disc.cue", {{40}, {300}})});
  setenv("TOLVAR_AUDIO", ("file:" + (Dir / "played.raw")).c_str(), 1);
  ASSERT_EQ(CR_PlayTrack(1), 0);
  for (int32_t Jitter : {0, -1}) {
    SetParams(Jitter, STEREO44100, 5);
    EXPECT_TRUE(Rip(0, 339).Bytes == ImagePcm({0, 40}, 0, 339)) << Jitter;
  }
  EXPECT_EQ(AwaitPlayEnd(), 19);
  std::vector<uint8_t> Track1 = ImagePcm({0, 40}, 0, 39);
  EXPECT_TRUE(ReadFile(Dir / "played.raw") == std::string(Track1.begin(), Track1.end()));
}

TEST_F(CdripPlayTest, EjectWhilePlayingStopsThePlayAndALockedTrayStaysShut) {
  Use({MakeImage("disc.cue", {{750}})});
  ASSERT_EQ(CR_PlayTrack(1), 0);
  EXPECT_EQ(CR_LockCD(1), 0);
  EXPECT_EQ(CR_EjectCD(1), 1);
  EXPECT_EQ(CR_DriveStatus(), 17);
  EXPECT_EQ(CR_IsMediaLoaded(), 1);
  EXPECT_EQ(CR_LockCD(0), 0);
  EXPECT_EQ(CR_EjectCD(1), 0);
  EXPECT_EQ(CR_DriveStatus(), 21);
  EXPECT_EQ(CR_IsMediaLoaded(), 0);
  EXPECT_EQ(CR_PlayTrack(1), 1);  // no disc

  // The tray stays open for the next program that loads the library.
  ASSERT_EQ(CR_Init("CDRipper.ini"), 0);
  ASSERT_EQ(CR_SetActiveCDROM(Real), 0);
  EXPECT_EQ(CR_IsMediaLoaded(), 0);
  EXPECT_EQ(CR_EjectCD(0), 0);
  EXPECT_EQ(CR_IsMediaLoaded(), 1);
  ASSERT_EQ(CR_Init("CDRipper.ini"), 0);
  ASSERT_EQ(CR_SetActiveCDROM(Real), 0);
  EXPECT_EQ(CR_IsMediaLoaded(), 1);
}

// ---- Read errors ----

TEST_F(CdripTest, SectorsThatCannotBeReadBecomeSilenceAndAChunkWithErrors) {
  std::string Cue = MakeImage("audio.cue", {{200}});
  Use({Cue});
  // The image loses its second half after the drive loaded it.
  ASSERT_EQ(truncate((Dir / "audio.bin").c_str(), 100 * kBytesPerSector), 0);
  for (int32_t Jitter : {0, -1}) {
    SCOPED_TRACE("jitter " + std::to_string(Jitter));
    SetParams(Jitter, STEREO44100, 25);
    TRip R = Rip(0, 199);
    ASSERT_EQ(R.Bytes.size(), 200u * kBytesPerSector);  // the length holds
    std::vector<uint8_t> Expected = ImagePcm({0}, 0, 99);
    Expected.resize(200u * kBytesPerSector, 0);
    EXPECT_TRUE(R.Bytes == Expected);
    EXPECT_EQ(R.Results, (std::vector<int32_t>{0, 0, 0, 0, 3, 3, 3, 3, 4}));
    EXPECT_GT(CR_GetNumberOfJitterErrors(), 0);
    int32_t Start = 0, End = 0;
    CR_GetLastJitterErrorPosition(&Start, &End);
    EXPECT_GE(Start, 100);
    EXPECT_LE(End, 199);
  }
}
