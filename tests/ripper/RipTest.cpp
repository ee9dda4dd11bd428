// The rip operations over the real CD library and generated images: files
// compared with the image's own audio and checked with real decoders.
#include <ctime>

#include "RipTestSupport.h"
#include "RipperTestSupport.h"
#include "encoders/LameCoder.h"

using namespace tolvar;
using namespace tolvar::fixtures;
using namespace tolvar::testing;
using namespace std::string_literals;

namespace {

constexpr uint32_t kSector = kSectorBytes;

class RipTest : public RealLibraryTest {
 protected:
  void SetUp() override {
    RealLibraryTest::SetUp();
    if (Real > 0)
      GTEST_SKIP() << "these tests want the image drives first; this machine has a drive";
    ASSERT_TRUE(Load({MakeImage("disc.cue", {{301}, {450}, {200}})}));
    Ripper.Init();
    Ripper.SetJitterCorrect(false);
    Ripper.SetCoder(&Coder);
    SetTagText(Ripper.TagInfo.Title, "Song");
    SetTagText(Ripper.TagInfo.Artist, "\xC3\x84rger");
    SetTagText(Ripper.TagInfo.Album, "Album");
    SetTagText(Ripper.TagInfo.Genre, "Rock");
    SetTagText(Ripper.TagInfo.Comment, "Ripped by Tolvar");
    SetTagText(Ripper.TagInfo.Encoder, "Tolvar 0.9 beta");
    SetTagText(Ripper.TagInfo.Year, "2026");
    Ripper.OnStatusChanged = [this](TCDRipper* R) { Statuses.push_back(R->StatusText); };
  }
  // Asks for Abort (or runs Action) when the rip reports its Nth chunk.
  void OnChunk(int N, std::function<void()> Action = nullptr) {
    Ripper.OnProgress = [this, N, Action](TCDRipper*, uint16_t) {
      if (++Reports != N) return;
      if (Action)
        Action();
      else
        Ripper.Abort();
    };
  }
  // The header's sizes state exactly the data behind it.
  static void ExpectHonestHeader(const std::string& Wav) {
    ASSERT_GE(Wav.size(), 44u);
    EXPECT_EQ(Le32(Wav, 4), Wav.size() - 8);
    EXPECT_EQ(Le32(Wav, 40), Wav.size() - 44);
  }

  TLameCoder Coder;
  TCDRipper Ripper;
  int Reports = 0;
  std::vector<std::string> Statuses;
};

}  // namespace

TEST_F(RipTest, WavAndRawPcmHoldTheRangeByteForByte) {
  std::vector<std::string> Events;
  Ripper.OnBeginTrack = [&](TCDRipper*, uint16_t T) {
    Events.push_back("begin " + std::to_string(T));
  };
  Ripper.OnEndTrack = [&](TCDRipper*, uint16_t T) { Events.push_back("end " + std::to_string(T)); };
  Ripper.WriteWAV = true;
  Ripper.FileName = Dir / "t2.wav";
  Ripper.Rip(2);
  std::string Wav = ReadFile(Dir / "t2.wav");
  ASSERT_EQ(Wav.size(), 44 + 450 * kSector);
  EXPECT_EQ(Wav.substr(0, 4), "RIFF");
  EXPECT_EQ(Wav.substr(8, 8), "WAVEfmt ");
  EXPECT_EQ(Le32(Wav, 16), 16u);
  EXPECT_EQ(Le16(Wav, 20), 1u);       // PCM
  EXPECT_EQ(Le16(Wav, 22), 2u);       // channels
  EXPECT_EQ(Le32(Wav, 24), 44100u);   // sample rate
  EXPECT_EQ(Le32(Wav, 28), 176400u);  // byte rate
  EXPECT_EQ(Le16(Wav, 32), 4u);       // block align
  EXPECT_EQ(Le16(Wav, 34), 16u);      // bits per sample
  EXPECT_EQ(Wav.substr(36, 4), "data");
  EXPECT_EQ(Le32(Wav, 40), 450 * kSector);  // the whole range, not one sector less
  EXPECT_TRUE(Wav.substr(44) == ImagePcm(2, 0, 450));
  EXPECT_EQ(Events, (std::vector<std::string>{"begin 2", "end 2"}));

  // Neither WAV nor encoding: PCM alone, here of two tracks back to back.
  // The read hook sees the same audio, also when it is encoded.
  std::string Seen;
  Ripper.OnAudioRead = [&](const uint8_t* Bytes, size_t Size) {
    Seen.append(reinterpret_cast<const char*>(Bytes), Size);
  };
  Ripper.WriteWAV = false;
  Ripper.FileName = Dir / "t12.pcm";
  Ripper.Rip(1, 2);
  EXPECT_TRUE(ReadFile(Dir / "t12.pcm") == ImagePcm(1, 0, 301) + ImagePcm(2, 0, 450));
  EXPECT_TRUE(Seen == ImagePcm(1, 0, 301) + ImagePcm(2, 0, 450));
  Seen.clear();
  Ripper.Encode = true;
  Ripper.FileName = Dir / "t1.mp3";
  Ripper.Rip(1);
  EXPECT_TRUE(Seen == ImagePcm(1, 0, 301));
  Ripper.Encode = false;
  Ripper.OnAudioRead = nullptr;

  // Cancelled after two chunks of 26 sectors: the header says so.
  Ripper.WriteWAV = true;
  Ripper.FileName = Dir / "cut.wav";
  OnChunk(2);
  Ripper.Rip(3);
  Wav = ReadFile(Dir / "cut.wav");
  EXPECT_EQ(Wav.size(), 44 + 52 * kSector);
  ExpectHonestHeader(Wav);
  EXPECT_EQ(Ripper.StatusText, "CDROM is not ripping CD data");
}

TEST_F(RipTest, OtherOutputFormatsGetTheirHeaderAndSetTheEncoder) {
  struct {
    cdrip::TOutputFormat Format;
    uint32_t Channels, Rate;
  } const Cases[] = {
      {cdrip::MONO44100, 1, 44100}, {cdrip::STEREO22050, 2, 22050}, {cdrip::MONO11025, 1, 11025}};
  Ripper.WriteWAV = true;
  for (const auto& C : Cases) {
    SCOPED_TRACE(C.Rate * 10 + C.Channels);
    Ripper.SetOutputFormat(C.Format);
    EXPECT_EQ(Coder.SampleRate(), C.Rate);
    EXPECT_EQ(Coder.Mode(), C.Channels == 1 ? TLameMode::MONO : TLameMode::STEREO);
    Ripper.FileName = Dir / "f.wav";
    Ripper.Rip(1);
    const std::string Wav = ReadFile(Dir / "f.wav");
    ExpectHonestHeader(Wav);
    EXPECT_EQ(Le16(Wav, 22), C.Channels);
    EXPECT_EQ(Le32(Wav, 24), C.Rate);
    EXPECT_EQ(Le32(Wav, 28), C.Rate * C.Channels * 2);
    EXPECT_EQ(Le16(Wav, 32), C.Channels * 2);
    EXPECT_NEAR((Wav.size() - 44) / double(C.Rate * C.Channels * 2), 301 / 75.0, 0.005);
  }
  // A value outside the list leaves the encoder alone.
  Ripper.SetOutputFormat(static_cast<cdrip::TOutputFormat>(9));
  EXPECT_EQ(Coder.SampleRate(), 11025u);
}

TEST_F(RipTest, Mp3CarriesBothTagsAndDecodesToTheWholeRange) {
  Ripper.Encode = true;
  // The LAME header frame lets mpg123 drop the encoder's delay and padding,
  // so the decoded length is exact: 301 sectors fill no whole number of
  // encoder chunks, and the rest must be encoded too.
  Coder.SetWriteVBRHeader(true);
  Ripper.FileName = Dir / "t1.mp3";
  Ripper.Rip(1);
  const std::string Mp3 = ReadFile(Dir / "t1.mp3");
  ASSERT_GT(Mp3.size(), 128u);
  EXPECT_EQ(Mp3.substr(0, 3), "ID3");
  EXPECT_NE(Mp3.find(std::string("TENC\0\0\0\x07\0\0\0Tolvar", 17)), std::string::npos);
  EXPECT_EQ(Mp3.substr(Mp3.size() - 128, 7), "TAGSong");
  EXPECT_EQ(DecodeMp3(Dir / "t1.mp3").size(), 301 * kSector);

  // Mono: chunks of 2 x Samples bytes as well; half the bytes come back.
  Ripper.SetOutputFormat(cdrip::MONO44100);
  Ripper.FileName = Dir / "mono.mp3";
  Ripper.Rip(1);
  EXPECT_EQ(DecodeMp3(Dir / "mono.mp3").size(), 301 * kSector / 2);
}

TEST_F(RipTest, OggOfARunOfTracksPassesOgginfoAndHoldsTheTexts) {
  Ripper.VorbisQuality = 0.4f;
  SetTagText(Ripper.TagInfo.Title, "\xE6\x98\x9F \xE2\x80\x9CSong\xE2\x80\x9D");  // kanji, quotes
  Ripper.FileName = Dir / "run.ogg";
  Ripper.RipOgg(2, 3);
  EXPECT_EQ(Statuses, (std::vector<std::string>{"Ripping & Encoding completed",
                                                "Successfully rip & encoded"}));
  EXPECT_FALSE(Ripper.Ripping);
  EXPECT_TRUE(OggInfoPasses(Dir / "run.ogg"));
  EXPECT_EQ(DecodeOgg(Dir / "run.ogg").size(), (450 + 200) * kSector);  // the last second too
  char Today[16];
  std::time_t Now = std::time(nullptr);
  std::strftime(Today, sizeof Today, "%Y-%m-%d", std::localtime(&Now));
  EXPECT_EQ(VorbisComments(Dir / "run.ogg"),
            "ARTIST=\xC3\x84rger\nALBUM=Album\nTITLE=\xE6\x98\x9F \xE2\x80\x9CSong\xE2\x80\x9D\n"
            "COMMENT=Ripped by Tolvar\n"
            "TRACKNUMBER=2\nTRACKTOTAL=3\nGENRE=Rock\nENCODER=Tolvar 0.9 beta\nDATE=" +
                std::string(Today) + "\n");
}

TEST_F(RipTest, AbortMidTrackLeavesAClosedWholeFileInEveryFormat) {
  const int Descriptors = OpenDescriptors();
  Ripper.WriteWAV = true;
  Ripper.FileName = Dir / "a.wav";
  OnChunk(3);
  Ripper.Rip(2);
  ExpectHonestHeader(ReadFile(Dir / "a.wav"));
  EXPECT_LT(ReadFile(Dir / "a.wav").size(), 450 * kSector);

  Ripper.WriteWAV = false;
  Ripper.Encode = true;
  Ripper.FileName = Dir / "a.mp3";
  Reports = 0;
  Ripper.Rip(2);
  const std::string Mp3 = ReadFile(Dir / "a.mp3");
  EXPECT_EQ(Mp3.substr(0, 3), "ID3");  // the tags are still written
  EXPECT_EQ(Mp3.substr(Mp3.size() - 128, 3), "TAG");
  EXPECT_EQ(DecodeMp3(Dir / "a.mp3").size() % 4, 0u);
  EXPECT_GT(DecodeMp3(Dir / "a.mp3").size(), 0u);
  EXPECT_EQ(Coder.Stream, 0u);  // flushed and closed

  Ripper.FileName = Dir / "a.ogg";
  Reports = 0;
  Statuses.clear();
  Ripper.RipOgg(2);
  EXPECT_EQ(Statuses, (std::vector<std::string>{"Ripping & Encoding canceled"}));
  EXPECT_TRUE(OggInfoPasses(Dir / "a.ogg"));
  EXPECT_LT(DecodeOgg(Dir / "a.ogg").size(), 450 * kSector);
  EXPECT_FALSE(Ripper.Ripping);
  EXPECT_EQ(OpenDescriptors(), Descriptors);
}

TEST_F(RipTest, MediaRemovedMidRipEndsTheRipAndTheNextDiscRipsAgain) {
  const int Descriptors = OpenDescriptors();
  auto Remove = [this] {
    CR_EjectCD(true);
    Ripper.DeviceChange(0x8004);
  };
  auto Reinsert = [this] {
    CR_EjectCD(false);
    Ripper.DeviceChange(0x8000);
    Reports = 0;
  };
  Ripper.WriteWAV = true;
  Ripper.FileName = Dir / "gone.wav";
  OnChunk(2, Remove);
  Ripper.Rip(2);
  EXPECT_EQ(Ripper.StatusText, "Media Removed !!");
  ExpectHonestHeader(ReadFile(Dir / "gone.wav"));
  EXPECT_LT(ReadFile(Dir / "gone.wav").size(), 450 * kSector);
  EXPECT_GE(Ripper.JittersNum(), 1);  // the library counts the lost rest

  Reinsert();
  ASSERT_TRUE(Ripper.DiscInfoValid);
  Ripper.FileName = Dir / "gone.ogg";
  Ripper.RipOgg(2);  // removal aborts an Ogg rip
  EXPECT_EQ(Ripper.StatusText, "Ripping & Encoding canceled");
  EXPECT_TRUE(OggInfoPasses(Dir / "gone.ogg"));

  Reinsert();
  Ripper.OnProgress = nullptr;
  Ripper.SetJitterCorrect(false);
  Ripper.FileName = Dir / "again.wav";
  Ripper.Rip(3);
  EXPECT_TRUE(ReadFile(Dir / "again.wav").substr(44) == ImagePcm(3, 0, 200));
  EXPECT_EQ(OpenDescriptors(), Descriptors);
}

TEST_F(RipTest, FlacIsLosslessVerifiedAndTaggedWithItsPlaceOnTheDisc) {
  Ripper.Encode = true;
  Ripper.StreamEncoding = TStreamSettings{TStreamFormat::Flac};
  Ripper.FileName = Dir / "t2.mp3";  // the format's extension replaces it
  Ripper.Rip(2);
  const std::string Flac = Dir / "t2.flac";
  ASSERT_TRUE(FlacTestPasses(Flac));
  const std::string Pcm = ImagePcm(2, 0, 450);
  EXPECT_TRUE(DecodeFlac(Flac) == Pcm);
  WriteFile(Dir / "t2.pcm", Pcm);
  EXPECT_EQ(Output("metaflac --show-md5sum " + ShellQuote(Flac)),
            Output("md5sum < " + ShellQuote(Dir / "t2.pcm") + " | cut -c1-32"));
  EXPECT_EQ(FlacTags(Flac),
            "TITLE=Song\nARTIST=\xC3\x84rger\nALBUM=Album\nDATE=2026\nGENRE=Rock\n"
            "COMMENT=Ripped by Tolvar\nTRACKNUMBER=2\nTRACKTOTAL=3\nENCODER=Tolvar 0.9 beta\n");
  // 450 sectors are 6 s: one seek point, at 0 s.
  const std::string Blocks = Output("metaflac --list " + ShellQuote(Flac));
  EXPECT_NE(Blocks.find("seek points: 1"), std::string::npos) << Blocks;
  EXPECT_NE(Blocks.find("type: 1 (PADDING)\n  is last: true\n  length: 8192"), std::string::npos);

  // A run of tracks into one file has no single track number.
  Ripper.FileName = Dir / "run.flac";
  Ripper.Rip(1, 2);
  EXPECT_EQ(FlacTags(Dir / "run.flac").find("TRACK"), std::string::npos);
  EXPECT_TRUE(DecodeFlac(Dir / "run.flac") == ImagePcm(1, 0, 301) + Pcm);
}

TEST_F(RipTest, OpusDecodesToTheTrackLengthAndAbortFinishesEachStreamFormat) {
  Ripper.Encode = true;
  Ripper.StreamEncoding = TStreamSettings{TStreamFormat::Opus};
  Ripper.FileName = Dir / "t3.opus";
  Ripper.Rip(3);
  ASSERT_TRUE(OpusInfoPasses(Dir / "t3.opus"));
  const std::string Info = Output("opusinfo " + ShellQuote(Dir / "t3.opus"));
  EXPECT_NE(Info.find("Original sample rate: 44100 Hz"), std::string::npos);
  EXPECT_NE(Info.find("TRACKNUMBER=3"), std::string::npos);
  const double Frames = DecodeOpus(Dir / "t3.opus").size() / 4.0;
  EXPECT_NEAR(Frames, 200 * 588, 882);  // within one 20 ms frame

  // A stopped rip ends its stream properly: the part decodes.
  const int Descriptors = OpenDescriptors();
  for (TStreamFormat Format : {TStreamFormat::Flac, TStreamFormat::Opus}) {
    Ripper.StreamEncoding = TStreamSettings{Format};
    Ripper.FileName = Dir / "stopped";
    Reports = 0;
    OnChunk(3);
    Ripper.Rip(2);
    const std::string Path = Dir / ("stopped"s + StreamFileExt(Format));
    if (Format == TStreamFormat::Flac) {
      EXPECT_TRUE(FlacTestPasses(Path));
      const std::string Part = DecodeFlac(Path);
      EXPECT_GT(Part.size(), 0u);
      EXPECT_TRUE(Part == ImagePcm(2, 0, 450).substr(0, Part.size()));
    } else {
      EXPECT_TRUE(OpusInfoPasses(Path));
      EXPECT_GT(DecodeOpus(Path).size(), 0u);
      EXPECT_LT(DecodeOpus(Path).size(), 450 * kSector);
    }
  }
  EXPECT_EQ(OpenDescriptors(), Descriptors);
}

TEST_F(RipTest, OggKeepsItsCommentsAndGainsTheNewNames) {
  Ripper.TagExtras.AlbumArtist = "Various";
  Ripper.TagExtras.DiscNumber = 1;
  Ripper.TagExtras.DiscTotal = 2;
  Ripper.TagExtras.MusicBrainzDiscId = "disc-id";
  Ripper.FileName = Dir / "t3.ogg";
  Ripper.RipOgg(3);
  const std::string Comments = VorbisComments(Dir / "t3.ogg");
  EXPECT_EQ(Comments.rfind("ARTIST=\xC3\x84rger\nALBUM=Album\nTITLE=Song\n", 0), 0u);
  EXPECT_NE(Comments.find("TRACKNUMBER=3\nTRACKTOTAL=3\n"), std::string::npos);
  EXPECT_EQ(Comments.substr(Comments.find("DATE=") + 16),
            "ALBUMARTIST=Various\nDISCNUMBER=1\nDISCTOTAL=2\nMUSICBRAINZ_DISCID=disc-id\n");
}
