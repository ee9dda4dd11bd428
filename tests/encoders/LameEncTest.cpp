// The LAME bridge (src/platform/lame_enc): records, chunk contract, setting
// mapping and the VBR header call, checked against the lame command, which
// drives the same engine.
#include "lame_enc.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "EncoderTestSupport.h"
#include "TestSupport.h"

using namespace tolvar::testing;
using tolvar::fixtures::ReadFile;
using tolvar::fixtures::TTempDir;
using tolvar::fixtures::WriteFile;

namespace {

// The LAME-form record as callers fill it: 32-bit values in order,
// the rest zero. Mode, bit rates, preset and flags as given.
std::vector<uint8_t> ConfigBytes(uint32_t Rate, uint32_t Mode, uint32_t Bitrate,
                                 uint32_t MaxBitrate, uint32_t Preset, uint32_t Crc,
                                 uint32_t WriteVbrHeader = 0, uint32_t EnableVbr = 0,
                                 uint32_t VbrQuality = 4) {
  const uint32_t Values[] = {
      256,         // configuration kind: LAME form
      1,           // structure version
      331,         // structure size
      Rate,        // sample rate
      0,           // resample rate: the encoder decides
      Mode,        // STEREO 0, JSTEREO 1, DUALCHANNEL 2, MONO 3
      Bitrate,     // bit rate (VBR minimum)
      MaxBitrate,  // maximum bit rate
      Preset,      // quality preset: NORMAL 0, LOW 1, HIGH 2, VOICE 3
      1,           // MPEG version 1
      0,           // psychoacoustic model
      0,           // emphasis
      0,           // private bit
      Crc,         // CRC
      0,           // copyright bit
      0,           // original bit
      WriteVbrHeader,
      EnableVbr,
      VbrQuality,
  };
  std::vector<uint8_t> Bytes(331, 0);
  for (size_t I = 0; I < std::size(Values); ++I)
    for (int B = 0; B < 4; ++B) Bytes[4 * I + B] = static_cast<uint8_t>(Values[I] >> (8 * B));
  return Bytes;
}

BE_CONFIG ToConfig(const std::vector<uint8_t>& Bytes) {
  BE_CONFIG Config;
  std::memcpy(&Config, Bytes.data(), sizeof Config);
  return Config;
}

// Encodes Pcm through the bridge in chunks of the announced size, as a caller
// of LAME_ENC.DLL does, into Path. With the VBR header the header is filled.
void EncodeThroughBridge(BE_CONFIG Config, const std::string& Pcm, const std::string& Path) {
  uint32_t Samples = 0, BufferSize = 0;
  HBE_STREAM Stream = 0;
  ASSERT_EQ(beInitStream(&Config, &Samples, &BufferSize, &Stream), BE_ERR_SUCCESSFUL);
  std::vector<uint8_t> Out(BufferSize);
  std::string Mp3;
  const auto* Samples16 = reinterpret_cast<const int16_t*>(Pcm.data());
  size_t Total = Pcm.size() / 2;
  for (size_t At = 0; At < Total; At += Samples) {
    uint32_t Count = static_cast<uint32_t>(std::min<size_t>(Samples, Total - At));
    uint32_t Bytes = 0;
    ASSERT_EQ(beEncodeChunk(Stream, Count, Samples16 + At, Out.data(), &Bytes), BE_ERR_SUCCESSFUL);
    ASSERT_LE(Bytes, BufferSize);
    Mp3.append(reinterpret_cast<char*>(Out.data()), Bytes);
  }
  uint32_t Bytes = 0;
  ASSERT_EQ(beDeinitStream(Stream, Out.data(), &Bytes), BE_ERR_SUCCESSFUL);
  Mp3.append(reinterpret_cast<char*>(Out.data()), Bytes);
  WriteFile(Path, Mp3);
  ASSERT_EQ(beWriteInfoTag(Stream, Path.c_str()), BE_ERR_SUCCESSFUL);
  ASSERT_EQ(beCloseStream(Stream), BE_ERR_SUCCESSFUL);
}

// The lame command on the same audio, ReplayGain analysis off as in the bridge.
std::string LameCommand(const TTempDir& Dir, const std::string& Wav, const std::string& Options) {
  std::string Out = Dir / "lame-command.mp3";
  std::string Err;
  EXPECT_EQ(
      RunCommand("lame --quiet --noreplaygain " + Options + " " + Quote(Wav) + " " + Quote(Out),
                 nullptr, &Err),
      0)
      << Err;
  return ReadFile(Out);
}

}  // namespace

TEST(LameEnc, VersionRecordNamesTheInterfaceAndTheEngine) {
  BE_VERSION V;
  std::memset(&V, 0xAB, sizeof V);
  beVersion(&V);
  EXPECT_EQ(sizeof V, 268u);
  EXPECT_EQ(V.byDLLMajorVersion, 1);
  EXPECT_EQ(V.byDLLMinorVersion, 32);
  EXPECT_EQ(V.byMajorVersion, 3);  // libmp3lame 3.x
  EXPECT_GE(V.byMinorVersion, 99);
  EXPECT_GE(V.wYear, 2024);
  EXPECT_GE(V.byMonth, 1);
  EXPECT_LE(V.byMonth, 12);
  EXPECT_GE(V.byDay, 1);
  EXPECT_LE(V.byDay, 31);
  EXPECT_NE(std::strlen(V.zHomepage), 0u);
  EXPECT_LE(std::strlen(V.zHomepage), 128u);
  for (uint8_t B : V.btReserved) EXPECT_EQ(B, 0);  // nothing of the 0xAB fill is left
}

TEST(LameEnc, InitStreamAnnouncesOneFramePerChannelPerChunk) {
  struct TCase {
    uint32_t Rate, Mode, Samples;
  } Cases[] = {
      {44100, BE_MP3_MODE_STEREO, 2304},  // MPEG-1: 1152 per channel, two channels
      {48000, BE_MP3_MODE_JSTEREO, 2304},
      {32000, BE_MP3_MODE_DUALCHANNEL, 2304},
      {44100, BE_MP3_MODE_MONO, 1152},
      {22050, BE_MP3_MODE_STEREO, 1152},  // MPEG-2: 576 per channel
      {16000, BE_MP3_MODE_MONO, 576},
      {11025, BE_MP3_MODE_STEREO, 1152},  // MPEG-2.5 frames hold 576 as well
  };
  for (const TCase& C : Cases) {
    BE_CONFIG Config = ToConfig(ConfigBytes(C.Rate, C.Mode, C.Rate >= 32000 ? 128 : 64, 320, 0, 1));
    uint32_t Samples = 0, BufferSize = 0;
    HBE_STREAM Stream = 0;
    ASSERT_EQ(beInitStream(&Config, &Samples, &BufferSize, &Stream), BE_ERR_SUCCESSFUL) << C.Rate;
    EXPECT_NE(Stream, 0u);
    EXPECT_EQ(Samples, C.Samples) << C.Rate << " Hz, mode " << C.Mode;
    // LAME's own estimate: 1.25 bytes per sample of one channel plus 7200.
    EXPECT_EQ(BufferSize, static_cast<uint32_t>(1.25 * (C.Samples / (C.Mode == 3 ? 1 : 2)) + 7200));
    EXPECT_EQ(beCloseStream(Stream), BE_ERR_SUCCESSFUL);
  }
}

TEST(LameEnc, InitStreamRefusesWhatItCannotEncode) {
  uint32_t Samples = 7, BufferSize = 7;
  HBE_STREAM Stream = 99;
  BE_CONFIG BadMode = ToConfig(ConfigBytes(44100, 4, 128, 320, 0, 1));
  EXPECT_EQ(beInitStream(&BadMode, &Samples, &BufferSize, &Stream),
            BE_ERR_INVALID_FORMAT_PARAMETERS);
  EXPECT_EQ(Stream, 0u);
  BE_CONFIG BadKind = ToConfig(ConfigBytes(44100, 0, 128, 320, 0, 1));
  BadKind.dwConfig = 5;
  EXPECT_EQ(beInitStream(&BadKind, &Samples, &BufferSize, &Stream), BE_ERR_INVALID_FORMAT);
  EXPECT_EQ(Stream, 0u);
  BE_CONFIG TooShort = ToConfig(ConfigBytes(44100, 0, 128, 320, 0, 1));
  TooShort.format.LHV1.dwStructSize = 12;
  EXPECT_EQ(beInitStream(&TooShort, &Samples, &BufferSize, &Stream), BE_ERR_INVALID_FORMAT);
  EXPECT_EQ(beInitStream(nullptr, &Samples, &BufferSize, &Stream),
            BE_ERR_INVALID_FORMAT_PARAMETERS);
}

TEST(LameEnc, StaleAndForeignHandlesAreRefused) {
  BE_CONFIG Config = ToConfig(ConfigBytes(44100, 0, 128, 320, 0, 1));
  uint32_t Samples = 0, BufferSize = 0;
  HBE_STREAM Stream = 0;
  ASSERT_EQ(beInitStream(&Config, &Samples, &BufferSize, &Stream), BE_ERR_SUCCESSFUL);
  std::vector<int16_t> Pcm(Samples, 0);
  std::vector<uint8_t> Out(BufferSize);
  uint32_t Bytes = 123;
  EXPECT_EQ(beEncodeChunk(0, Samples, Pcm.data(), Out.data(), &Bytes), BE_ERR_INVALID_HANDLE);
  EXPECT_EQ(Bytes, 0u);
  EXPECT_EQ(beEncodeChunk(Stream + 1000, Samples, Pcm.data(), Out.data(), &Bytes),
            BE_ERR_INVALID_HANDLE);
  EXPECT_EQ(beEncodeChunk(Stream, Samples, Pcm.data(), Out.data(), &Bytes), BE_ERR_SUCCESSFUL);
  EXPECT_EQ(beDeinitStream(Stream, Out.data(), &Bytes), BE_ERR_SUCCESSFUL);
  // After the flush no chunk may follow, and the stream flushes once.
  EXPECT_EQ(beEncodeChunk(Stream, Samples, Pcm.data(), Out.data(), &Bytes), BE_ERR_INVALID_HANDLE);
  EXPECT_EQ(beDeinitStream(Stream, Out.data(), &Bytes), BE_ERR_INVALID_HANDLE);
  EXPECT_EQ(beCloseStream(Stream), BE_ERR_SUCCESSFUL);
  EXPECT_EQ(beCloseStream(Stream), BE_ERR_INVALID_HANDLE);
  EXPECT_EQ(beEncodeChunk(Stream, Samples, Pcm.data(), Out.data(), &Bytes), BE_ERR_INVALID_HANDLE);
  EXPECT_EQ(beWriteInfoTag(Stream, "/nonexistent"), BE_ERR_INVALID_HANDLE);
}

// The settings reach libmp3lame as the lame command's options do: the same
// audio gives the same bytes.
struct TMappingCase {
  const char* Name;
  uint32_t Mode, Bitrate, Preset, Crc, WriteVbrHeader, EnableVbr, VbrQuality;
  const char* LameOptions;
};

void PrintTo(const TMappingCase& C, std::ostream* Out) {
  *Out << C.Name;
}

class LameEncMapping : public ::testing::TestWithParam<TMappingCase> {};

TEST_P(LameEncMapping, EqualsTheLameCommand) {
  const TMappingCase& C = GetParam();
  TTempDir Dir;
  std::string Pcm = TestPcm(44100 * 2 + 1000, 2);
  WriteFile(Dir / "in.wav", WavBytes(Pcm, 2));
  EncodeThroughBridge(ToConfig(ConfigBytes(44100, C.Mode, C.Bitrate, 320, C.Preset, C.Crc,
                                           C.WriteVbrHeader, C.EnableVbr, C.VbrQuality)),
                      Pcm, Dir / "bridge.mp3");
  if (HasFatalFailure()) return;
  std::string Ours = ReadFile(Dir / "bridge.mp3");
  // -o: LAME marks frames "original" unless told; the record's original bit is 0 here.
  std::string Theirs = LameCommand(Dir, Dir / "in.wav", std::string(C.LameOptions) + " -o");
  EXPECT_FALSE(Ours.empty());
  EXPECT_TRUE(Ours == Theirs) << "bridge " << Ours.size() << " bytes, lame " << Theirs.size();
  TDecoded Decoded = DecodeMp3(Dir / "bridge.mp3");
  EXPECT_TRUE(Decoded.Ok) << Decoded.Messages;
}

INSTANTIATE_TEST_SUITE_P(
    Settings, LameEncMapping,
    ::testing::Values(
        // The benchmark's settings, without and with the VBR (here "Info") header.
        TMappingCase{"Normal", 0, 128, 0, 1, 0, 0, 4, "-m s -b 128 -q 5 -p -t"},
        TMappingCase{"NormalWithHeader", 0, 128, 0, 1, 1, 0, 4, "-m s -b 128 -q 5 -p"},
        TMappingCase{"Low", 1, 192, 1, 0, 0, 0, 4, "-m j -b 192 -q 7 -t"},
        TMappingCase{"High", 2, 160, 2, 1, 0, 0, 4, "-m d -b 160 -q 2 -p -t"},
        TMappingCase{"Voice", 0, 128, 3, 0, 0, 0, 4, "--preset voice -t"},
        TMappingCase{"Vbr", 1, 96, 0, 0, 1, 1, 2, "-m j -V 2 -b 96 -B 320 -q 5"}),
    [](const ::testing::TestParamInfo<TMappingCase>& Info) {
      return std::string(Info.param.Name);
    });

TEST(LameEnc, OldBladeEncRecordIsUnderstood) {
  TTempDir Dir;
  BE_CONFIG Config;
  std::memset(&Config, 0, sizeof Config);
  Config.dwConfig = BE_CONFIG_MP3;
  Config.format.mp3.dwSampleRate = 44100;
  Config.format.mp3.byMode = BE_MP3_MODE_MONO;
  Config.format.mp3.wBitrate = 64;
  Config.format.mp3.bCRC = 1;
  Config.format.mp3.bCopyright = 1;
  uint32_t Samples = 0, BufferSize = 0;
  HBE_STREAM Stream = 0;
  ASSERT_EQ(beInitStream(&Config, &Samples, &BufferSize, &Stream), BE_ERR_SUCCESSFUL);
  EXPECT_EQ(Samples, 1152u);
  EXPECT_EQ(beCloseStream(Stream), BE_ERR_SUCCESSFUL);
  EncodeThroughBridge(Config, TestPcm(20000, 1), Dir / "old.mp3");
  TFrameWalk Walk = WalkFrames(ReadFile(Dir / "old.mp3"));
  ASSERT_TRUE(Walk.Ok);
  ASSERT_FALSE(Walk.Frames.empty());
  for (const TFrameHeader& H : Walk.Frames) {
    EXPECT_EQ(H.Mode, 3);
    EXPECT_EQ(H.Bitrate, 64);
    EXPECT_TRUE(H.Crc);
    EXPECT_TRUE(H.Copyright);
  }
}

TEST(LameEnc, InfoTagFillsTheReservedFrameAfterAnId3v2Tag) {
  TTempDir Dir;
  BE_CONFIG Config = ToConfig(ConfigBytes(44100, 0, 128, 320, 0, 1, /*WriteVbrHeader=*/1));
  uint32_t Samples = 0, BufferSize = 0;
  HBE_STREAM Stream = 0;
  ASSERT_EQ(beInitStream(&Config, &Samples, &BufferSize, &Stream), BE_ERR_SUCCESSFUL);
  std::string Pcm = TestPcm(44100, 2);
  std::vector<uint8_t> Out(BufferSize);
  std::string Mp3;
  for (size_t At = 0; At < Pcm.size() / 2; At += Samples) {
    uint32_t Count = static_cast<uint32_t>(std::min<size_t>(Samples, Pcm.size() / 2 - At));
    uint32_t Bytes = 0;
    ASSERT_EQ(beEncodeChunk(Stream, Count, reinterpret_cast<const int16_t*>(Pcm.data()) + At,
                            Out.data(), &Bytes),
              BE_ERR_SUCCESSFUL);
    Mp3.append(reinterpret_cast<char*>(Out.data()), Bytes);
  }
  uint32_t Bytes = 0;
  ASSERT_EQ(beDeinitStream(Stream, Out.data(), &Bytes), BE_ERR_SUCCESSFUL);
  Mp3.append(reinterpret_cast<char*>(Out.data()), Bytes);
  uint32_t Frames = 0;
  EXPECT_FALSE(HasFilledVbrHeader(Mp3, Frames)) << "the reserved frame is empty until the end";

  // A file that is not the stream is left alone.
  std::string Other(4000, 'x');
  WriteFile(Dir / "other.mp3", Other);
  EXPECT_NE(beWriteInfoTag(Stream, (Dir / "other.mp3").c_str()), BE_ERR_SUCCESSFUL);
  EXPECT_EQ(ReadFile(Dir / "other.mp3"), Other);
  EXPECT_NE(beWriteInfoTag(Stream, (Dir / "missing.mp3").c_str()), BE_ERR_SUCCESSFUL);

  // An ID3v2 tag of 30 bytes (10 header + 20 padding) in front of the stream.
  std::string Id3("ID3\x03\x00\x00\x00\x00\x00\x14", 10);
  Id3 += std::string(20, '\0');
  WriteFile(Dir / "tagged.mp3", Id3 + Mp3);
  ASSERT_EQ(beWriteInfoTag(Stream, (Dir / "tagged.mp3").c_str()), BE_ERR_SUCCESSFUL);
  EXPECT_EQ(beCloseStream(Stream), BE_ERR_SUCCESSFUL);
  std::string Tagged = ReadFile(Dir / "tagged.mp3");
  ASSERT_EQ(Tagged.size(), Id3.size() + Mp3.size());
  EXPECT_EQ(Tagged.substr(0, Id3.size()), Id3);
  std::string Stream2 = Tagged.substr(Id3.size());
  ASSERT_TRUE(HasFilledVbrHeader(Stream2, Frames));
  TFrameWalk Walk = WalkFrames(Stream2);
  ASSERT_TRUE(Walk.Ok);
  EXPECT_EQ(Frames, Walk.Frames.size() - 1);  // every frame but the header frame itself
  // With the header a player knows the exact length: the decoder drops the
  // encoder's delay and padding.
  TDecoded Decoded = DecodeMp3(Dir / "tagged.mp3");
  ASSERT_TRUE(Decoded.Ok) << Decoded.Messages;
  EXPECT_EQ(Decoded.Pcm.size(), Pcm.size());
}
