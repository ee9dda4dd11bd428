// TLameCoder: properties, Assign, the stream operations and
// EncodeFiles with its events, cancel, the mended faults and bad input. Every
// MP3 written here is decoded with mpg123.
#include "encoders/LameCoder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <set>

#include "EncoderTestSupport.h"
#include "TestSupport.h"

using namespace tolvar;
using namespace tolvar::testing;
using tolvar::fixtures::FileExists;
using tolvar::fixtures::ReadFile;
using tolvar::fixtures::TTempDir;
using tolvar::fixtures::WriteFile;

namespace {

// The events of one EncodeFiles run, in order.
struct TEventLog {
  std::vector<std::string> Events;
  int Progress = 0;
  int LastPercent = -1;
  void Attach(TLameCoder& Coder) {
    Coder.OnBeginProcess = [this](TLameCoder&) { Events.push_back("BeginProcess"); };
    Coder.OnBeginFile = [this](TLameCoder&, uint16_t Num, const std::string& Name) {
      Events.push_back("BeginFile " + std::to_string(Num) + " " + Name);
      LastPercent = -1;
    };
    Coder.OnProgress = [this](TLameCoder&, uint16_t Percent) {
      ++Progress;
      EXPECT_GE(static_cast<int>(Percent), LastPercent);
      EXPECT_LE(Percent, 100);
      LastPercent = Percent;
    };
    Coder.OnEndFile = [this](TLameCoder&, uint16_t Num, const std::string& Name) {
      Events.push_back("EndFile " + std::to_string(Num) + " " + Name);
      LastPercent = -1;
    };
    Coder.OnEndProcess = [this](TLameCoder&) { Events.push_back("EndProcess"); };
  }
};

void ExpectDecodes(const std::string& Path, size_t MinBytes = 1) {
  TDecoded Decoded = DecodeMp3(Path);
  EXPECT_TRUE(Decoded.Ok) << Path << ": " << Decoded.Messages;
  EXPECT_GE(Decoded.Pcm.size(), MinBytes) << Path;
}

// 16-bit samples of the PCM decoded from an MP3 must follow the input: a
// cross-correlation near 1 at the encoder's delay tells "same audio" from
// "other bytes taken as audio".
double Similarity(const std::string& A, const std::string& B) {
  const auto* X = reinterpret_cast<const int16_t*>(A.data());
  const auto* Y = reinterpret_cast<const int16_t*>(B.data());
  size_t N = std::min(A.size(), B.size()) / 2;
  double Best = 0;
  for (size_t Shift = 0; Shift < 4000 && Shift < N; Shift += 2) {  // whole stereo frames
    double Sxy = 0, Sxx = 0, Syy = 0;
    for (size_t I = 0; I + Shift < N && I < 200000; ++I) {
      Sxy += double(X[I]) * Y[I + Shift];
      Sxx += double(X[I]) * X[I];
      Syy += double(Y[I + Shift]) * Y[I + Shift];
    }
    if (Sxx > 0 && Syy > 0) Best = std::max(Best, Sxy / std::sqrt(Sxx * Syy));
  }
  return Best;
}

}  // namespace

TEST(LameCoder, CreateSetsTheDefaults) {
  TLameCoder Coder;
  EXPECT_EQ(Coder.SampleRate(), 44100u);
  EXPECT_EQ(Coder.Bitrate(), 128u);
  EXPECT_EQ(Coder.MaxBitrate(), 320u);
  EXPECT_EQ(Coder.Quality(), MPEG_QUALITY::NORMAL_QUALITY);
  EXPECT_FALSE(Coder.Private());
  EXPECT_TRUE(Coder.CRC());
  EXPECT_EQ(Coder.Mode(), TLameMode::STEREO);
  EXPECT_FALSE(Coder.Copyright());
  EXPECT_FALSE(Coder.Original());
  EXPECT_FALSE(Coder.WriteVBRHeader());
  EXPECT_FALSE(Coder.EnableVBR());
  EXPECT_EQ(Coder.VBRQuality(), 4);
  EXPECT_EQ(Coder.DefaultExt(), ".mp3");
  EXPECT_TRUE(Coder.InputFiles().empty());
  EXPECT_TRUE(Coder.OutputFiles().empty());
  EXPECT_EQ(Coder.LameVersion().DLLMajorVersion(), 1);
  EXPECT_EQ(Coder.LameVersion().MajorVersion(), 3);
}

TEST(LameCoder, ModeTakesOnlyTheFourModes) {
  TLameCoder Coder;
  Coder.SetMode(TLameMode::MONO);
  EXPECT_EQ(Coder.Mode(), TLameMode::MONO);
  Coder.SetMode(static_cast<TLameMode>(4));
  EXPECT_EQ(Coder.Mode(), TLameMode::MONO);
  Coder.SetMode(TLameMode::JSTEREO);
  EXPECT_EQ(Coder.Mode(), TLameMode::JSTEREO);
}

TEST(LameCoder, EnableVbrAlsoSetsTheHeaderButNotTheOtherWayRound) {
  TLameCoder Coder;
  Coder.SetEnableVBR(true);
  EXPECT_TRUE(Coder.WriteVBRHeader());
  Coder.SetWriteVBRHeader(false);
  EXPECT_TRUE(Coder.EnableVBR());
  Coder.SetEnableVBR(false);
  Coder.SetWriteVBRHeader(true);
  EXPECT_FALSE(Coder.EnableVBR());
  Coder.SetEnableVBR(false);
  EXPECT_FALSE(Coder.WriteVBRHeader());
}

TEST(LameCoder, InputFilesRebuildOutputFilesWithDefaultExt) {
  TLameCoder Coder;
  Coder.SetInputFiles({"/music/a.wav", "/music/b.WAV", "/music.d/noext", "/x/c.d.wav"});
  EXPECT_EQ(Coder.OutputFiles(), (std::vector<std::string>{"/music/a.mp3", "/music/b.mp3",
                                                           "/music.d/noext.mp3", "/x/c.d.mp3"}));
  Coder.SetOutputFiles({"/other.mp3"});
  EXPECT_EQ(Coder.OutputFiles(), std::vector<std::string>{"/other.mp3"});
  Coder.SetDefaultExt(".mpa");
  Coder.SetInputFiles({"song.wav"});
  EXPECT_EQ(Coder.OutputFiles(), std::vector<std::string>{"song.mpa"});
}

TEST(LameCoder, AssignCopiesTheEncoderSettingsOnly) {
  TLameCoder From, To;
  From.SetSampleRate(22050);
  From.SetMode(TLameMode::DUALCHANNEL);
  From.SetBitrate(96);
  From.SetMaxBitrate(256);
  From.SetQuality(MPEG_QUALITY::HIGH_QUALITY);
  From.SetPrivate(true);
  From.SetCRC(false);
  From.SetCopyright(true);
  From.SetOriginal(true);
  From.SetEnableVBR(true);
  From.SetWriteVBRHeader(false);
  From.SetVBRQuality(7);
  From.SetInputFiles({"a.wav"});
  From.SetDefaultExt(".x");
  To.Assign(From);
  EXPECT_EQ(To.SampleRate(), 22050u);
  EXPECT_EQ(To.Mode(), TLameMode::DUALCHANNEL);
  EXPECT_EQ(To.Bitrate(), 96u);
  EXPECT_EQ(To.MaxBitrate(), 256u);
  EXPECT_EQ(To.Quality(), MPEG_QUALITY::HIGH_QUALITY);
  EXPECT_TRUE(To.Private());
  EXPECT_FALSE(To.CRC());
  EXPECT_TRUE(To.Copyright());
  EXPECT_TRUE(To.Original());
  EXPECT_TRUE(To.EnableVBR());
  EXPECT_FALSE(To.WriteVBRHeader());  // copied as it is, not through the VBR setter
  EXPECT_EQ(To.VBRQuality(), 7);
  EXPECT_TRUE(To.InputFiles().empty());
  EXPECT_EQ(To.DefaultExt(), ".mp3");
}

TEST(LameCoder, LameVersionAssignCopiesTheFourVersionBytes) {
  TLameVersion A, B;
  A.SetDLLMajorVersion(9);
  A.SetDLLMinorVersion(8);
  A.SetMajorVersion(7);
  A.SetMinorVersion(6);
  B.Assign(A);
  EXPECT_EQ(B.DLLMajorVersion(), 9);
  EXPECT_EQ(B.DLLMinorVersion(), 8);
  EXPECT_EQ(B.MajorVersion(), 7);
  EXPECT_EQ(B.MinorVersion(), 6);
  EXPECT_EQ(std::memcmp(B.Record().zHomepage, A.Record().zHomepage, sizeof A.Record().zHomepage),
            0);
}

TEST(LameCoder, InitStreamFillsTheLameFormRecord) {
  TLameCoder Coder;
  Coder.SetMode(TLameMode::JSTEREO);
  Coder.SetBitrate(160);
  Coder.SetMaxBitrate(256);
  Coder.SetQuality(MPEG_QUALITY::HIGH_QUALITY);
  Coder.SetOriginal(true);
  Coder.SetVBRQuality(3);
  ASSERT_EQ(Coder.InitStream(), 0u);
  const uint32_t Expected[] = {
      256,         // LAME form
      1,           // structure version
      331,         // structure size
      44100,       // SampleRate
      0,           // resample rate
      1,           // Mode JSTEREO
      160,         // Bitrate
      256,         // MaxBitrate
      2,           // Quality HIGH_QUALITY
      1,           // MPEG version 1
      0,           // psychoacoustic model
      0,           // emphasis
      0,           // Private
      0xFFFFFFFF,  // CRC: True is stored as -1
      0,           // Copyright
      0xFFFFFFFF,  // Original
      0,           // WriteVBRHeader
      0,           // EnableVBR
      3,           // VBRQuality
  };
  const auto* Bytes = reinterpret_cast<const uint8_t*>(&Coder.Config);
  for (size_t I = 0; I < std::size(Expected); ++I) {
    uint32_t Value;
    std::memcpy(&Value, Bytes + 4 * I, 4);
    EXPECT_EQ(Value, Expected[I]) << "value " << I;
  }
  for (size_t I = 4 * std::size(Expected); I < 331; ++I) EXPECT_EQ(Bytes[I], 0) << "byte " << I;
  EXPECT_EQ(Coder.Samples, 2304u);
  EXPECT_EQ(Coder.BufferSize, 8640u);
  EXPECT_EQ(Coder.OutBuffer.size(), Coder.BufferSize);
  Coder.CloseStream();
  EXPECT_TRUE(Coder.OutBuffer.empty());
}

// The ripper's use: InitStream, chunks, DeinitStream, its own file, the VBR
// header, CloseStream.
TEST(LameCoder, StreamOperationsMakeAPlayableFile) {
  TTempDir Dir;
  TLameCoder Coder;
  Coder.SetWriteVBRHeader(true);
  ASSERT_EQ(Coder.InitStream(), 0u);
  std::string Pcm = TestPcm(44100 + 300, 2);  // one second and a short last chunk
  const auto* Samples = reinterpret_cast<const int16_t*>(Pcm.data());
  std::string Mp3;
  size_t Total = Pcm.size() / 2, At = 0;
  uint32_t Bytes = 0;
  for (; At + Coder.Samples <= Total; At += Coder.Samples) {
    ASSERT_EQ(Coder.EncodeChunk(Samples + At, Coder.OutBuffer.data(), Bytes), 0u);
    Mp3.append(reinterpret_cast<char*>(Coder.OutBuffer.data()), Bytes);
  }
  ASSERT_EQ(Coder.EncodeChunk(static_cast<uint32_t>(Total - At), Samples + At,
                              Coder.OutBuffer.data(), Bytes),
            0u);
  Mp3.append(reinterpret_cast<char*>(Coder.OutBuffer.data()), Bytes);
  ASSERT_EQ(Coder.DeinitStream(Coder.OutBuffer.data(), Bytes), 0u);
  Mp3.append(reinterpret_cast<char*>(Coder.OutBuffer.data()), Bytes);
  WriteFile(Dir / "rip.mp3", Mp3);
  ASSERT_EQ(Coder.WriteInfoTag(Dir / "rip.mp3"), 0u);
  Coder.CloseStream();
  TDecoded Decoded = DecodeMp3(Dir / "rip.mp3");
  ASSERT_TRUE(Decoded.Ok) << Decoded.Messages;
  EXPECT_EQ(Decoded.Pcm.size(), Pcm.size());  // exact: the header carries delay and padding
  EXPECT_GT(Similarity(Pcm, Decoded.Pcm), 0.95);
}

TEST(LameCoder, EncodeFilesEncodesEachFileAndFiresTheEventsInOrder) {
  TTempDir Dir;
  std::string PcmA = TestPcm(44100, 2), PcmB = TestPcm(30000, 2);
  WriteFile(Dir / "a.wav", WavBytes(PcmA, 2));
  WriteFile(Dir / "b.WAV", WavBytes(PcmB, 2));
  TLameCoder Coder;
  TEventLog Log;
  Log.Attach(Coder);
  int Pumps = 0;
  Coder.ProcessMessages = [&] { ++Pumps; };
  Coder.SetInputFiles({Dir / "a.wav", Dir / "b.WAV"});
  Coder.EncodeFiles();
  EXPECT_EQ(Log.Events, (std::vector<std::string>{
                            "BeginProcess",
                            "BeginFile 0 " + (Dir / "a.wav"),
                            "EndFile 0 " + (Dir / "a.mp3"),
                            "BeginFile 1 " + (Dir / "b.WAV"),
                            "EndFile 1 " + (Dir / "b.mp3"),
                            "EndProcess",
                        }));
  // Stereo 16-bit: chunks of Samples x 4 = 9216 bytes; 176400 bytes make 20
  // chunks and 120000 bytes 14. One progress report and one message pump each.
  EXPECT_EQ(Log.Progress, 20 + 14);
  EXPECT_EQ(Pumps, 20 + 14);
  EXPECT_EQ(Coder.Stream, 0u);
  EXPECT_TRUE(Coder.InBuffer.empty());
  EXPECT_TRUE(Coder.OutBuffer.empty());
  TDecoded A = DecodeMp3(Dir / "a.mp3");
  ASSERT_TRUE(A.Ok) << A.Messages;
  // Without a VBR header a decoder plays the encoder's delay and padding too.
  EXPECT_GE(A.Pcm.size(), PcmA.size());
  EXPECT_LE(A.Pcm.size(), PcmA.size() + 4 * 3 * 1152);
  EXPECT_GT(Similarity(PcmA, A.Pcm), 0.95);
  ExpectDecodes(Dir / "b.mp3", PcmB.size());
}

TEST(LameCoder, EncodeFilesMatchesTheLameCommand) {
  TTempDir Dir;
  WriteFile(Dir / "a.wav", WavBytes(TestPcm(50000, 2), 2));
  TLameCoder Coder;
  Coder.SetInputFiles({Dir / "a.wav"});
  Coder.EncodeFiles();
  std::string Err;
  ASSERT_EQ(RunCommand("lame --quiet --noreplaygain -m s -b 128 -q 5 -p -o -t " +
                           Quote(Dir / "a.wav") + " " + Quote(Dir / "lame.mp3"),
                       nullptr, &Err),
            0)
      << Err;
  EXPECT_TRUE(ReadFile(Dir / "a.mp3") == ReadFile(Dir / "lame.mp3"));
}

TEST(LameCoder, FrameHeadersCarryTheChosenBits) {
  struct TCase {
    TLameMode Mode;
    bool Crc, Copyright, Original, Private;
    int HeaderMode;
  } Cases[] = {
      {TLameMode::STEREO, true, false, false, false, 0},
      {TLameMode::JSTEREO, false, true, false, false, 1},
      {TLameMode::DUALCHANNEL, true, false, true, false, 2},
      {TLameMode::MONO, false, false, false, true, 3},
      {TLameMode::STEREO, true, true, true, true, 0},
  };
  TTempDir Dir;
  WriteFile(Dir / "in.wav", WavBytes(TestPcm(30000, 2), 2));
  for (const TCase& C : Cases) {
    TLameCoder Coder;
    Coder.SetMode(C.Mode);
    Coder.SetCRC(C.Crc);
    Coder.SetCopyright(C.Copyright);
    Coder.SetOriginal(C.Original);
    Coder.SetPrivate(C.Private);
    Coder.SetBitrate(C.Mode == TLameMode::MONO ? 64 : 192);
    Coder.SetInputFiles({Dir / "in.wav"});
    Coder.EncodeFiles();
    std::string Mp3 = ReadFile(Dir / "in.mp3");
    TFrameWalk Walk = WalkFrames(Mp3);
    ASSERT_TRUE(Walk.Ok) << C.HeaderMode;
    ASSERT_GT(Walk.Frames.size(), 10u);
    for (const TFrameHeader& H : Walk.Frames) {
      EXPECT_EQ(H.Version, 1);
      EXPECT_EQ(H.SampleRate, 44100);
      EXPECT_EQ(H.Bitrate, C.Mode == TLameMode::MONO ? 64 : 192);
      EXPECT_EQ(H.Mode, C.HeaderMode);
      EXPECT_EQ(H.Crc, C.Crc);
      EXPECT_EQ(H.Copyright, C.Copyright);
      EXPECT_EQ(H.Original, C.Original);
      EXPECT_EQ(H.Private, C.Private);
    }
    ExpectDecodes(Dir / "in.mp3");
  }
}

// The mended fault: the reserved header frame is filled when the stream ends,
// so a player knows the exact length ("Xing" for VBR, "Info" for CBR).
TEST(LameCoder, VbrHeaderIsFilledWhenTheStreamEnds) {
  TTempDir Dir;
  std::string Pcm = TestPcm(3 * 44100 + 77, 2);
  WriteFile(Dir / "v.wav", WavBytes(Pcm, 2));
  for (bool Vbr : {true, false}) {
    TLameCoder Coder;
    Coder.SetEnableVBR(Vbr);
    Coder.SetWriteVBRHeader(true);
    Coder.SetVBRQuality(2);
    Coder.SetBitrate(Vbr ? 32 : 128);
    Coder.SetInputFiles({Dir / "v.wav"});
    Coder.EncodeFiles();
    std::string Mp3 = ReadFile(Dir / "v.mp3");
    uint32_t Frames = 0;
    ASSERT_TRUE(HasFilledVbrHeader(Mp3, Frames)) << Vbr;
    EXPECT_NE(Mp3.find(Vbr ? "Xing" : "Info"), std::string::npos);
    TFrameWalk Walk = WalkFrames(Mp3);
    ASSERT_TRUE(Walk.Ok);
    EXPECT_EQ(Frames, Walk.Frames.size() - 1);
    std::set<int> Rates;
    for (const TFrameHeader& H : Walk.Frames) Rates.insert(H.Bitrate);
    EXPECT_EQ(Rates.size() > 1, Vbr);
    TDecoded Decoded = DecodeMp3(Dir / "v.mp3");
    ASSERT_TRUE(Decoded.Ok) << Decoded.Messages;
    EXPECT_EQ(Decoded.Pcm.size(), Pcm.size()) << Vbr;
  }
}

// The other mended fault: the audio is the "data" chunk, wherever it starts.
TEST(LameCoder, WavWithListChunkBeforeDataEncodesOnlyTheData) {
  TTempDir Dir;
  std::string Pcm = TestPcm(44100, 2);
  std::string List =
      RiffChunk("LIST", "INFO" + RiffChunk("ISFT", std::string("Lavf58.76.100\0", 14)) +
                            RiffChunk("INAM", std::string("Odd length", 10) + '\0'));
  std::string Fact = RiffChunk("fact", std::string("\x44\xac\x00\x00", 4));
  WriteFile(Dir / "plain.wav", WavBytes(Pcm, 2));
  WriteFile(Dir / "list.wav", WavBytes(Pcm, 2, 44100, List + Fact + RiffChunk("JUNK", "abc")));
  TLameCoder Coder;
  TEventLog Log;
  Log.Attach(Coder);
  Coder.SetInputFiles({Dir / "plain.wav", Dir / "list.wav"});
  Coder.EncodeFiles();
  EXPECT_EQ(Log.Progress, 20 * 2);  // the same 176400 bytes in both
  std::string Plain = ReadFile(Dir / "plain.mp3");
  ASSERT_FALSE(Plain.empty());
  EXPECT_TRUE(ReadFile(Dir / "list.mp3") == Plain) << "the extra chunks must not become audio";
  ExpectDecodes(Dir / "list.mp3", Pcm.size());
}

TEST(LameCoder, WavWithFmtAfterOtherChunksAndStreamedDataSize) {
  TTempDir Dir;
  std::string Pcm = TestPcm(20000, 2);
  std::string Wav = WavBytes(Pcm, 2);
  // A data size of 0xFFFFFFFF (a writer that streamed) means "to the end".
  size_t DataSize = Wav.find("data") + 4;
  std::string Streamed = Wav;
  Streamed.replace(DataSize, 4, "\xFF\xFF\xFF\xFF");
  WriteFile(Dir / "plain.wav", Wav);
  WriteFile(Dir / "streamed.wav", Streamed);
  TLameCoder Coder;
  Coder.SetInputFiles({Dir / "plain.wav", Dir / "streamed.wav"});
  Coder.EncodeFiles();
  EXPECT_TRUE(ReadFile(Dir / "plain.mp3") == ReadFile(Dir / "streamed.mp3"));
}

TEST(LameCoder, HeaderOnlyWavWritesOnlyTheFinalBytes) {
  TTempDir Dir;
  std::string Wav = WavBytes("", 2);
  ASSERT_EQ(Wav.size(), 44u);
  WriteFile(Dir / "empty.wav", Wav);
  TLameCoder Coder;
  TEventLog Log;
  Log.Attach(Coder);
  Coder.SetInputFiles({Dir / "empty.wav"});
  Coder.EncodeFiles();
  EXPECT_EQ(Log.Progress, 0);
  EXPECT_EQ(Log.Events.back(), "EndProcess");
  ASSERT_TRUE(FileExists(Dir / "empty.mp3"));
  EXPECT_TRUE(WalkFrames(ReadFile(Dir / "empty.mp3")).Ok);
  EXPECT_TRUE(DecodeMp3(Dir / "empty.mp3").Ok);
}

TEST(LameCoder, RawPcmInMonoModeIsReadFromByteZeroInChunksOfSamplesBytes) {
  TTempDir Dir;
  std::string Pcm = TestPcm(44100, 1);  // 88200 bytes
  WriteFile(Dir / "mono.pcm", Pcm);
  WriteFile(Dir / "mono.wav", WavBytes(Pcm, 1));
  TLameCoder Coder;
  Coder.SetMode(TLameMode::MONO);
  Coder.SetBitrate(64);
  TEventLog Log;
  Log.Attach(Coder);
  Coder.SetInputFiles({Dir / "mono.pcm"});
  Coder.EncodeFiles();
  EXPECT_EQ(Log.Progress, (88200 + 1151) / 1152);  // chunks of Samples (1152) bytes
  // The same samples in a WAV file (chunks of Samples x 2 bytes) give the same MP3.
  Coder.SetInputFiles({Dir / "mono.wav"});
  Coder.SetOutputFiles({Dir / "mono-wav.mp3"});
  Coder.EncodeFiles();
  std::string Raw = ReadFile(Dir / "mono.mp3");
  ASSERT_FALSE(Raw.empty());
  EXPECT_TRUE(Raw == ReadFile(Dir / "mono-wav.mp3"));
  TDecoded Decoded = DecodeMp3(Dir / "mono.mp3");
  ASSERT_TRUE(Decoded.Ok) << Decoded.Messages;
  EXPECT_GE(Decoded.Pcm.size(), Pcm.size());
}

TEST(LameCoder, CancelStopsInTheMiddleOfAFileAndKeepsThePartialOutput) {
  TTempDir Dir;
  WriteFile(Dir / "a.wav", WavBytes(TestPcm(5 * 44100, 2), 2));
  WriteFile(Dir / "b.wav", WavBytes(TestPcm(44100, 2), 2));
  int Before = OpenDescriptors();
  TLameCoder Coder;
  TEventLog Log;
  Log.Attach(Coder);
  int Pumps = 0;
  // The owner's message pump is where a Cancel button press arrives.
  Coder.ProcessMessages = [&] {
    if (++Pumps == 10) Coder.Cancel();
  };
  Coder.SetInputFiles({Dir / "a.wav", Dir / "b.wav"});
  Coder.EncodeFiles();
  EXPECT_TRUE(Coder.Canceled);
  EXPECT_EQ(Pumps, 10);
  EXPECT_EQ(Log.Events,
            (std::vector<std::string>{"BeginProcess", "BeginFile 0 " + (Dir / "a.wav")}));
  EXPECT_EQ(OpenDescriptors(), Before);
  EXPECT_EQ(Coder.Stream, 0u);
  EXPECT_TRUE(Coder.InBuffer.empty());
  // Ten chunks of 2304 frames went in; the partial file plays what came out.
  std::string Partial = ReadFile(Dir / "a.mp3");
  EXPECT_FALSE(Partial.empty());
  // No flush ran: whole frames, perhaps followed by the start of the next.
  TFrameWalk Walk = WalkFrames(Partial);
  EXPECT_TRUE(Walk.Ok || Walk.CutShort);
  EXPECT_GE(Walk.Frames.size(), 10u);
  ExpectDecodes(Dir / "a.mp3", 4 * 1152 * 10);
  EXPECT_FALSE(FileExists(Dir / "b.mp3"));
  // The next run starts afresh.
  Coder.ProcessMessages = nullptr;
  Coder.SetInputFiles({Dir / "b.wav"});
  Coder.EncodeFiles();
  EXPECT_FALSE(Coder.Canceled);
  ExpectDecodes(Dir / "b.mp3", 4 * 44100);
}

// --- Bad input: ELameError with its text, everything closed, no output that
// looks complete, the remaining files untouched.

namespace {

// Runs EncodeFiles expecting ELameError with Text; returns what it said.
std::string EncodeExpectingError(TLameCoder& Coder) {
  try {
    Coder.EncodeFiles();
  } catch (const ELameError& E) {
    return E.what();
  }
  return "(no error)";
}

}  // namespace

TEST(LameCoderBadInput, MissingInput) {
  TTempDir Dir;
  WriteFile(Dir / "b.wav", WavBytes(TestPcm(1000, 2), 2));
  WriteFile(Dir / "missing.mp3", "an older file");
  int Before = OpenDescriptors();
  TLameCoder Coder;
  TEventLog Log;
  Log.Attach(Coder);
  Coder.SetInputFiles({Dir / "missing.wav", Dir / "b.wav"});
  EXPECT_EQ(EncodeExpectingError(Coder),
            "Cannot open file \"" + (Dir / "missing.wav") + "\". No such file or directory");
  EXPECT_EQ(OpenDescriptors(), Before);
  EXPECT_EQ(Coder.Stream, 0u);
  EXPECT_EQ(ReadFile(Dir / "missing.mp3"), "an older file");  // never opened
  EXPECT_FALSE(FileExists(Dir / "b.mp3"));                    // the rest is not processed
  EXPECT_EQ(Log.Events.back(), "BeginFile 0 " + (Dir / "missing.wav"));
}

TEST(LameCoderBadInput, InputIsAFolder) {
  TTempDir Dir;
  std::filesystem::create_directory(Dir / "folder.wav");
  TLameCoder Coder;
  Coder.SetInputFiles({Dir / "folder.wav"});
  EXPECT_EQ(EncodeExpectingError(Coder),
            "Cannot open file \"" + (Dir / "folder.wav") + "\". Is a directory");
  EXPECT_FALSE(FileExists(Dir / "folder.mp3"));
}

TEST(LameCoderBadInput, UnreadableInput) {
  TTempDir Dir;
  chmod(Dir.Path().c_str(), 0777);
  std::string In = Dir / "secret.wav";
  WriteFile(In, WavBytes(TestPcm(1000, 2), 2));
  chmod(In.c_str(), 0200);
  std::string Problem = RunUnprivileged([&]() -> std::string {
    TLameCoder Coder;
    Coder.SetInputFiles({In});
    std::string Said = EncodeExpectingError(Coder);
    if (Said != "Cannot open file \"" + In + "\". Permission denied") return "said: " + Said;
    if (FileExists(Dir / "secret.mp3")) return "output created";
    return {};
  });
  EXPECT_EQ(Problem, "");
}

TEST(LameCoderBadInput, FileShorterThanItsHeader) {
  TTempDir Dir;
  std::string Wav = WavBytes(TestPcm(1000, 2), 2);
  WriteFile(Dir / "short.wav", Wav.substr(0, 30));
  // A WAV header that promises a "data" chunk the file does not have.
  WriteFile(Dir / "nodata.wav", Wav.substr(0, 36) + std::string(8, '\0'));
  int Before = OpenDescriptors();
  for (const char* Name : {"short", "nodata"}) {
    TLameCoder Coder;
    Coder.SetInputFiles({Dir / (std::string(Name) + ".wav")});
    EXPECT_EQ(EncodeExpectingError(Coder), "Read Error") << Name;
    EXPECT_FALSE(FileExists(Dir / (std::string(Name) + ".mp3"))) << Name;
  }
  EXPECT_EQ(OpenDescriptors(), Before);
}

TEST(LameCoderBadInput, InputCutShortWhileBeingRead) {
  TTempDir Dir;
  std::string In = Dir / "shrinking.wav";
  WriteFile(In, WavBytes(TestPcm(3 * 44100, 2), 2));
  int Before = OpenDescriptors();
  TLameCoder Coder;
  TEventLog Log;
  Log.Attach(Coder);
  Coder.OnProgress = [&](TLameCoder&, uint16_t) {
    if (truncate(In.c_str(), 20000) != 0) ADD_FAILURE() << "truncate";
  };
  Coder.SetInputFiles({In});
  EXPECT_EQ(EncodeExpectingError(Coder), "Read Error");
  EXPECT_EQ(OpenDescriptors(), Before);
  EXPECT_EQ(Coder.Stream, 0u);
  EXPECT_FALSE(FileExists(Dir / "shrinking.mp3")) << "a partial file must not look complete";
}

TEST(LameCoderBadInput, ReadOnlyOutputFolder) {
  TTempDir Dir;
  chmod(Dir.Path().c_str(), 0777);
  std::string Folder = Dir / "ro";
  std::filesystem::create_directory(Folder);
  WriteFile(Folder + "/a.wav", WavBytes(TestPcm(1000, 2), 2));
  chmod(Folder.c_str(), 0555);
  std::string Problem = RunUnprivileged([&]() -> std::string {
    int Before = OpenDescriptors();
    TLameCoder Coder;
    Coder.SetInputFiles({Folder + "/a.wav"});
    std::string Said = EncodeExpectingError(Coder);
    if (Said != "Cannot create file \"" + Folder + "/a.mp3\". Permission denied")
      return "said: " + Said;
    if (OpenDescriptors() != Before) return "descriptors left open";
    if (Coder.Stream != 0) return "stream left open";
    return {};
  });
  EXPECT_EQ(Problem, "");
  EXPECT_FALSE(FileExists(Folder + "/a.mp3"));
}

TEST(LameCoderBadInput, VanishedOutputFolder) {
  TTempDir Dir;
  WriteFile(Dir / "a.wav", WavBytes(TestPcm(3 * 44100, 2), 2));
  int Before = OpenDescriptors();
  {
    // Gone before the file is created.
    TLameCoder Coder;
    Coder.SetInputFiles({Dir / "a.wav"});
    Coder.SetOutputFiles({Dir / "gone/a.mp3"});
    EXPECT_EQ(EncodeExpectingError(Coder),
              "Cannot create file \"" + (Dir / "gone/a.mp3") + "\". No such file or directory");
  }
  {
    // Removed while the file is being written: the bytes go nowhere.
    std::filesystem::create_directory(Dir / "out");
    TLameCoder Coder;
    Coder.OnProgress = [&](TLameCoder&, uint16_t) { std::filesystem::remove_all(Dir / "out"); };
    Coder.SetInputFiles({Dir / "a.wav"});
    Coder.SetOutputFiles({Dir / "out/a.mp3"});
    EXPECT_EQ(EncodeExpectingError(Coder), "Write error");
    EXPECT_EQ(Coder.Stream, 0u);
  }
  EXPECT_EQ(OpenDescriptors(), Before);
  EXPECT_FALSE(FileExists(Dir / "out"));
}

TEST(LameCoderBadInput, FullDiskGivesTheWriteErrors) {
  if (!FileExists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  TTempDir Dir;
  WriteFile(Dir / "a.wav", WavBytes(TestPcm(44100, 2), 2));
  WriteFile(Dir / "empty.wav", WavBytes("", 2));
  int Before = OpenDescriptors();
  TLameCoder Coder;
  Coder.SetInputFiles({Dir / "a.wav"});
  Coder.SetOutputFiles({"/dev/full"});
  EXPECT_EQ(EncodeExpectingError(Coder), "Write Error");  // a chunk's bytes
  Coder.SetInputFiles({Dir / "empty.wav"});
  Coder.SetOutputFiles({"/dev/full"});
  EXPECT_EQ(EncodeExpectingError(Coder), "Write error");  // the final bytes
  EXPECT_EQ(OpenDescriptors(), Before);
  EXPECT_TRUE(FileExists("/dev/full"));  // a device is never removed
}

TEST(LameCoderBadInput, OutputNamingTheInputIsRefused) {
  TTempDir Dir;
  std::string Wav = WavBytes(TestPcm(1000, 2), 2);
  WriteFile(Dir / "a.mp3", Wav);
  TLameCoder Coder;
  Coder.SetInputFiles({Dir / "a.mp3"});
  EXPECT_EQ(EncodeExpectingError(Coder),
            "Cannot create file \"" + (Dir / "a.mp3") + "\". It is the input file");
  EXPECT_EQ(ReadFile(Dir / "a.mp3"), Wav);
}

TEST(LameCoderBadInput, FailedStreamReportsTheLibraryResult) {
  TTempDir Dir;
  WriteFile(Dir / "a.wav", WavBytes(TestPcm(10000, 2), 2));
  int Before = OpenDescriptors();
  TLameCoder Coder;
  // The library loses the stream (as a failed beInitStream leaves none).
  Coder.OnBeginFile = [](TLameCoder& Sender, uint16_t, const std::string&) {
    beCloseStream(Sender.Stream);
  };
  Coder.SetInputFiles({Dir / "a.wav"});
  EXPECT_EQ(EncodeExpectingError(Coder), "beEncodeChunk failed 4");
  EXPECT_EQ(OpenDescriptors(), Before);
  EXPECT_FALSE(FileExists(Dir / "a.mp3"));
}

TEST(LameCoderBadInput, MoreInputsThanOutputs) {
  TTempDir Dir;
  WriteFile(Dir / "a.wav", WavBytes(TestPcm(1000, 2), 2));
  TLameCoder Coder;
  Coder.SetInputFiles({Dir / "a.wav", Dir / "a.wav"});
  Coder.SetOutputFiles({Dir / "x.mp3"});
  EXPECT_EQ(EncodeExpectingError(Coder), "List index out of bounds (1)");
  ExpectDecodes(Dir / "x.mp3");
}

TEST(LameCoderBadInput, ExceptionFromAnEventHandlerClosesEverything) {
  TTempDir Dir;
  WriteFile(Dir / "a.wav", WavBytes(TestPcm(44100, 2), 2));
  int Before = OpenDescriptors();
  TLameCoder Coder;
  Coder.OnProgress = [](TLameCoder&, uint16_t Percent) {
    if (Percent > 50) throw std::runtime_error("handler failed");
  };
  Coder.SetInputFiles({Dir / "a.wav"});
  EXPECT_THROW(Coder.EncodeFiles(), std::runtime_error);
  EXPECT_EQ(OpenDescriptors(), Before);
  EXPECT_EQ(Coder.Stream, 0u);
  EXPECT_FALSE(FileExists(Dir / "a.mp3"));
}
