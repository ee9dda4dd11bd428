// The FLAC and Opus encoders: fed in pieces that split frames, their files
// checked with the reference tools, and their tags and cover read back with
// mutagen and metaflac.
#include "encoders/StreamEncoder.h"

#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <memory>

#include "EncoderTestSupport.h"
#include "TestSupport.h"
#include "encoders/WavEncoder.h"
#include "tags/TagModel.h"

using namespace tolvar;
using namespace tolvar::testing;
using tolvar::fixtures::ReadFile;
using tolvar::fixtures::TTempDir;
using tolvar::fixtures::WriteFile;

namespace {

// A file behind TEncodedOutput, seekable as the ripper's output file is.
struct TFileOutput {
  explicit TFileOutput(const std::string& Path) : File(fopen(Path.c_str(), "wb"), fclose) {}
  TEncodedOutput Output() {
    FILE* F = File.get();
    return {[F](const void* Bytes, size_t Count) { return fwrite(Bytes, 1, Count, F) == Count; },
            [F](uint64_t Offset) { return fseeko(F, static_cast<off_t>(Offset), SEEK_SET) == 0; },
            [F] { return static_cast<int64_t>(ftello(F)); }};
  }
  std::unique_ptr<FILE, int (*)(FILE*)> File;
};

TTagModel FullModel() {
  TTagModel M;
  M.Title = "\xE5\xA4\x9C\xE6\x98\x8E\xE3\x81\x91";  // Japanese
  M.Artist = "Bj\xC3\xB6rk";
  M.Album = "Album";
  M.Date = "2001";
  M.Encoder = "Tolvar";
  M.Extras.AlbumArtist = "Various Artists";
  M.Extras.TrackNumber = 3;
  M.Extras.TrackTotal = 12;
  M.Extras.DiscNumber = 1;
  M.Extras.Isrc = "USRC17607839";
  M.Extras.MusicBrainzTrackId = "recording-id";
  M.Extras.MusicBrainzDiscId = "disc-id";
  M.Extras.Picture.MimeType = "image/png";
  M.Extras.Picture.Description = "Front";
  M.Extras.Picture.Width = M.Extras.Picture.Height = 1;
  M.Extras.Picture.Depth = 24;
  // A whole 1x1 PNG image: opusinfo checks the picture it finds.
  M.Extras.Picture.Data = std::string(
      "\x89\x50\x4E\x47\x0D\x0A\x1A\x0A\x00\x00\x00\x0D\x49\x48\x44\x52\x00\x00\x00\x01\x00\x00"
      "\x00\x01\x08\x02\x00\x00\x00\x90\x77\x53\xDE\x00\x00\x00\x0C\x49\x44\x41\x54\x78\x9C"
      "\x63\xF8\xCF\xC0\x00\x00\x03\x01\x01\x00\xC9\xFE\x92\xEF\x00\x00\x00\x00\x49\x45\x4E"
      "\x44\xAE\x42\x60\x82",
      69);
  return M;
}

// The file's comments as mutagen reads them ("NAME=value", one per line,
// sorted), then "PICTURE=mime|description|bytes of data" for its cover.
std::string MutagenTags(const std::string& Path) {
  std::string Out, Err;
  const int Code = RunCommand(
      "/usr/bin/python3 -c '\n"
      "import base64, sys, mutagen\n"
      "from mutagen.flac import Picture\n"
      "f = mutagen.File(sys.argv[1])\n"
      "pics = getattr(f, \"pictures\", None) or [Picture(base64.b64decode(v))\n"
      "    for k, v in f.tags if k == \"METADATA_BLOCK_PICTURE\"]\n"
      "lines = sorted(k.upper() + \"=\" + v for k, v in f.tags if k != "
      "\"METADATA_BLOCK_PICTURE\")\n"
      "lines += [\"PICTURE=%s|%s|%d\" % (p.mime, p.desc, len(p.data)) for p in pics]\n"
      "sys.stdout.write(\"\\n\".join(lines) + \"\\n\")' " +
          Quote(Path),
      &Out, &Err);
  EXPECT_EQ(Code, 0) << Err;
  return Out;
}

}  // namespace

TEST(StreamEncoder, FlacAndOpusTakePiecesOfAnySizeAndCarryEveryTag) {
  TTempDir Dir;
  const std::string Pcm = TestPcm(44100 * 2, 2);
  const std::string Expected =
      "ALBUM=Album\nALBUMARTIST=Various Artists\nARTIST=Bj\xC3\xB6rk\nDATE=2001\n"
      "DISCNUMBER=1\nENCODER=Tolvar\nISRC=USRC17607839\nMUSICBRAINZ_DISCID=disc-id\n"
      "MUSICBRAINZ_TRACKID=recording-id\nTITLE=\xE5\xA4\x9C\xE6\x98\x8E\xE3\x81\x91\n"
      "TRACKNUMBER=3\nTRACKTOTAL=12\nPICTURE=image/png|Front|69\n";
  for (TStreamFormat Format : {TStreamFormat::Flac, TStreamFormat::Opus}) {
    const std::string Path = Dir / (std::string("t") + StreamFileExt(Format));
    {
      TFileOutput File(Path);
      auto Encoder = MakeStreamEncoder({Format}, {2, 44100, 44100 * 2}, FullModel(), File.Output());
      // Pieces of 1001 bytes split samples and frames.
      for (size_t At = 0; At < Pcm.size(); At += 1001) {
        const std::string Piece = Pcm.substr(At, 1001);
        ASSERT_TRUE(Encoder->Write(reinterpret_cast<const uint8_t*>(Piece.data()), Piece.size()));
      }
      ASSERT_TRUE(Encoder->Finish()) << Encoder->Error();
    }
    EXPECT_EQ(MutagenTags(Path), Expected) << Path;
    std::string Out, Err;
    if (Format == TStreamFormat::Flac) {
      ASSERT_EQ(RunCommand("flac -t -s " + Quote(Path)), 0);
      RunCommand("flac -d -s -c --force-raw-format --endian=little --sign=signed " + Quote(Path),
                 &Out);
      EXPECT_TRUE(Out == Pcm);
      RunCommand("metaflac --export-picture-to=- " + Quote(Path), &Out);
      EXPECT_TRUE(Out == FullModel().Extras.Picture.Data);
    } else {
      ASSERT_EQ(RunCommand("opusinfo " + Quote(Path), &Out), 0);
      EXPECT_NE(Out.find("Original sample rate: 44100 Hz"), std::string::npos);
      RunCommand("opusdec --quiet --rate 44100 " + Quote(Path) + " -", &Out);
      EXPECT_NEAR(Out.size() / 4.0, 44100 * 2, 882);  // within one 20 ms frame
    }
  }
}

TEST(WavEncoder, EncodesEachFormatAndFinishesAStoppedFileSoItDecodes) {
  TTempDir Dir;
  const std::string Pcm = TestPcm(44100 * 3, 1, 22050);  // the WAV header's shape counts
  WriteFile(Dir / "in.wav", WavBytes(Pcm, 1, 22050));
  std::string Out;
  for (TStreamFormat Format : {TStreamFormat::Flac, TStreamFormat::Opus, TStreamFormat::Vorbis}) {
    TWavEncoder Encoder;
    Encoder.Settings.Format = Format;
    Encoder.SetInputFiles({Dir / "in.wav"});
    std::vector<std::string> Ended;
    Encoder.OnEndFile = [&](uint16_t, const std::string& Name) { Ended.push_back(Name); };
    Encoder.EncodeFiles();
    const std::string Path = Dir / (std::string("in") + StreamFileExt(Format));
    EXPECT_EQ(Ended, std::vector<std::string>{Path});
    if (Format == TStreamFormat::Flac) {
      RunCommand("flac -d -s -c --force-raw-format --endian=little --sign=signed " + Quote(Path),
                 &Out);
      EXPECT_TRUE(Out == Pcm);
    } else {
      EXPECT_EQ(RunCommand((Format == TStreamFormat::Opus ? "opusinfo " : "ogginfo ") + Quote(Path),
                           &Out),
                0)
          << Out;
    }
    // Cancel at the first chunk: the part is kept and ends properly.
    Encoder.OnProgress = [&](uint16_t) { Encoder.Cancel(); };
    Ended.clear();
    Encoder.EncodeFiles();
    EXPECT_TRUE(Ended.empty());
    if (Format == TStreamFormat::Flac) {
      EXPECT_EQ(RunCommand("flac -t -s " + Quote(Path)), 0);
      RunCommand("flac -d -s -c --force-raw-format --endian=little --sign=signed " + Quote(Path),
                 &Out);
      EXPECT_GT(Out.size(), 0u);
      EXPECT_LT(Out.size(), Pcm.size());
    } else if (Format == TStreamFormat::Opus) {
      EXPECT_EQ(RunCommand("opusinfo " + Quote(Path)), 0);
    }
  }
  // A full disk: the error, and nothing of ours left behind.
  ASSERT_EQ(unlink((Dir / "in.flac").c_str()), 0);
  ASSERT_EQ(symlink("/dev/full", (Dir / "in.flac").c_str()), 0);
  TWavEncoder Full;
  Full.SetInputFiles({Dir / "in.wav"});
  try {
    Full.EncodeFiles();
    ADD_FAILURE() << "no error";
  } catch (const EEncoderError& Error) {
    EXPECT_STREQ(Error.what(), "Write error");
  }
}
