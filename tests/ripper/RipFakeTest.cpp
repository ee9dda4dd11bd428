// The rip loops against the scripted fake library: chunk results, jitter
// lines, failing libraries and files, and the ripper usable afterwards.
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>

#include "RipTestSupport.h"
#include "RipperTestSupport.h"
#include "encoders/LameCoder.h"
#include "ripper/RipFile.h"
#include "util/Dialogs.h"
#include "verify/RipVerification.h"

using namespace tolvar;
using namespace tolvar::fake;
using namespace tolvar::fixtures;
using namespace tolvar::testing;

namespace {

class FakeRip : public FakeLibraryTest {
 protected:
  TFakeCdrip& Start() {
    TFakeCdrip& F = Open(FAKE_CDRIP);
    F.DriveNames = {"Fake"};
    F.Media = {true};
    F.Params.OutputFormat = cdrip::STEREO44100;
    F.Tocs = {{Audio(0, 1), Audio(1000, 2), Data(1750, 3), LeadOut(2000)}};
    EXPECT_TRUE(Load());
    Ripper.Init();
    Ripper.SetCoder(&Coder);
    Ripper.ProcessMessages = [this] { ++Pumps; };
    Ripper.OnProgress = [this](TCDRipper*, uint16_t) {
      ++Reports;
      if (OnReport) OnReport();
    };
    Ripper.OnStatusChanged = [this](TCDRipper* R) { Statuses.push_back(R->StatusText); };
    return F;
  }
  // The message of what Body throws; empty when it throws nothing.
  static std::string ErrorOf(const std::function<void()>& Body) {
    try {
      Body();
    } catch (const std::exception& E) {
      return E.what();
    }
    return {};
  }
  // A name in the temporary folder that leads to a full disk.
  std::string FullDisk(const std::string& Name) {
    EXPECT_EQ(symlink("/dev/full", (Dir / Name).c_str()), 0);
    return Dir / Name;
  }

  TTempDir Dir;
  TLameCoder Coder;
  TCDRipper Ripper;
  int Pumps = 0, Reports = 0;
  std::function<void()> OnReport;
  std::vector<std::string> Statuses;
};

}  // namespace

TEST_F(FakeRip, ChunkResultsKeepOrSkipTheirDataAndAddJitterLines) {
  TFakeCdrip& F = Start();
  F.Chunks = {{0, 2352, 'a'}, {1, 2352, 'b'}, {3, 1000, 'c'}, {0, 500, 'd'}};
  F.JitterStart = 40;
  F.JitterEnd = 45;
  F.JitterErrors = 7;
  Ripper.RipSectors(10, 20, Dir / "x.pcm");
  EXPECT_EQ(ReadFile(Dir / "x.pcm"),
            std::string(2352, 'a') + std::string(1000, 'c') + std::string(500, 'd'));
  EXPECT_EQ(Ripper.Jitters(), (std::vector<std::string>{"40 45"}));
  EXPECT_EQ(Ripper.JittersNum(), 7);
  EXPECT_EQ(Reports, 5);  // four chunks and the end
  EXPECT_EQ(Pumps, 5);
  EXPECT_EQ(F.Count("CR_SetCDROMParameters"), 1);
  EXPECT_EQ(F.Count("CR_OpenRipper 10 20"), 1);
  EXPECT_EQ(F.Count("CR_CloseRipper"), 1);
}

TEST_F(FakeRip, ALibraryThatKeepsFailingRipsOnUntilAbort) {
  TFakeCdrip& F = Start();
  F.Chunks.assign(10000, {1, 2352, 'x'});
  OnReport = [this] {
    if (Reports == 5) Ripper.Abort();
  };
  Ripper.RipSectors(0, 999, Dir / "x.pcm");
  EXPECT_EQ(Reports, 5);
  EXPECT_EQ(ReadFile(Dir / "x.pcm"), "");
  EXPECT_EQ(Ripper.StatusText, "CDROM is not ripping CD data");
  EXPECT_EQ(F.Count("CR_CloseRipper"), 1);
}

TEST_F(FakeRip, FailuresEndInTheirErrorWithEverythingClosed) {
  TFakeCdrip& F = Start();
  const int Descriptors = OpenDescriptors();
  F.SetParamsResult = 1;
  EXPECT_EQ(ErrorOf([&] { Ripper.RipSectors(0, 9, Dir / "p.wav"); }), "Invalid CD-ROM parameters");
  EXPECT_EQ(F.Count("CR_OpenRipper"), 0);
  F.SetParamsResult = 0;

  F.OpenRipperResult = 1;  // the library refuses the range: no file, no error
  EXPECT_EQ(ErrorOf([&] { Ripper.RipSectors(0, 9, Dir / "none.wav"); }), "");
  EXPECT_FALSE(FileExists(Dir / "none.wav"));
  F.OpenRipperResult = 0;

  EXPECT_THROW(Ripper.RipSectors(0, 9, Dir / "no/such/folder/x.wav"), EFCreateError);
  EXPECT_EQ(ErrorOf([&] { Ripper.Rip(4); }), "Track 4 is not on the disc");

  // A full disk: the WAV header is the first write to fail.
  Ripper.WriteWAV = true;
  F.Chunks = {{0, 2352, 1}};
  EXPECT_EQ(ErrorOf([&] { Ripper.RipSectors(0, 0, FullDisk("full.wav")); }), "Write error");

  // MP3 of less than one encoder chunk: the failing write is the final flush,
  // and every later step of the end still runs.
  Ripper.WriteWAV = false;
  Ripper.Encode = true;
  F.Chunks = {{0, 2352, 1}};
  F.JitterErrors = 2;
  EXPECT_EQ(ErrorOf([&] { Ripper.RipSectors(0, 0, FullDisk("full.mp3")); }), "Write error");
  EXPECT_EQ(Coder.Stream, 0u);
  EXPECT_EQ(Ripper.JittersNum(), 2);
  EXPECT_EQ(F.Count("CR_CloseRipper"), F.Count("CR_OpenRipper") - 1);  // all but the refused one
  EXPECT_EQ(OpenDescriptors(), Descriptors);

  // And the next rip works.
  Ripper.Encode = false;
  F.Chunks = {{0, 4 * 2352, 5}};
  Ripper.RipSectors(0, 3, Dir / "ok.pcm");
  EXPECT_EQ(ReadFile(Dir / "ok.pcm"), std::string(4 * 2352, 5));
}

TEST_F(FakeRip, OggReadsTheWholeRangeAndEncodesEveryCarriedByte) {
  TFakeCdrip& F = Start();
  // Chunk sizes that no request size divides, an empty chunk, a jitter chunk.
  F.Chunks = {{0, 3000, 1}, {0, 0, 0}, {3, 7000, 2}, {0, 4100, 3}};
  Ripper.FileName = Dir / "f.ogg";
  Ripper.RipOgg(1, 2);
  EXPECT_EQ(F.Count("CR_OpenRipper 0 1749"), 1);  // to the last sector of track 2
  EXPECT_EQ(DecodeOgg(Dir / "f.ogg").size(), 14100u);
  EXPECT_EQ(Ripper.StatusText, "Successfully rip & encoded");
  EXPECT_EQ(Ripper.LastChunkResult, cdrip::kCdexRippingDone);
}

TEST_F(FakeRip, OggFailuresShowTheirBoxAndLeaveTheRipperIdle) {
  TFakeCdrip& F = Start();
  TScriptedDialogs Boxes;
  const int Descriptors = OpenDescriptors();
  int Events = 0;
  Ripper.OnBeginTrack = Ripper.OnEndTrack = [&](TCDRipper*, uint16_t) { ++Events; };
  Ripper.FileName = Dir / "d.ogg";
  Ripper.RipOgg(3);
  EXPECT_EQ(Ripper.StatusText, "Not a audio track - Track 3");
  EXPECT_EQ(Events, 0);
  EXPECT_FALSE(FileExists(Dir / "d.ogg"));

  F.OpenRipperResult = 1;
  Ripper.RipOgg(1);
  F.OpenRipperResult = 0;
  F.Chunks = {{0, 4096, 1}, {1, 0, 0}};  // a chunk that fails: no success reported
  Ripper.RipOgg(1);
  F.Chunks = {{0, 8192, 1}};
  Ripper.FileName = FullDisk("full.ogg");
  Ripper.RipOgg(1);
  EXPECT_EQ(Boxes.Shown, (std::vector<std::string>{"Error : CR_OpenRipper", "Error : CR_RipChunk",
                                                   "Write Error"}));
  EXPECT_EQ(std::count(Statuses.begin(), Statuses.end(), "Successfully rip & encoded"), 0);
  EXPECT_EQ(Events, 6);  // begin and end of each track that was audio

  Ripper.FileName = Dir / "no/such/folder/x.ogg";
  EXPECT_THROW(Ripper.RipOgg(1), EFCreateError);
  EXPECT_FALSE(Ripper.Ripping);

  // A second RipOgg while one runs does nothing; an empty FileName becomes
  // "Track N.ogg" in the current folder.
  char Here[4096];
  ASSERT_NE(getcwd(Here, sizeof Here), nullptr);
  ASSERT_EQ(chdir(Dir.Path().c_str()), 0);
  F.Chunks = {{0, 8192, 1}};
  OnReport = [this] { Ripper.RipOgg(2); };
  const int Opened = F.Count("CR_OpenRipper");
  Ripper.FileName.clear();
  Ripper.RipOgg(1);
  EXPECT_EQ(chdir(Here), 0);
  EXPECT_EQ(Ripper.FileName, "Track 1.ogg");
  EXPECT_TRUE(OggInfoPasses(Dir / "Track 1.ogg"));
  EXPECT_EQ(F.Count("CR_OpenRipper"), Opened + 1);
  EXPECT_EQ(F.Count("CR_CloseRipper"), F.Count("CR_OpenRipper") - 1);  // the refused one
  EXPECT_EQ(OpenDescriptors(), Descriptors);
}

TEST_F(FakeRip, OggRipAsksTheLibraryForStereoAt44100WhateverTheOutputFormat) {
  TFakeCdrip& F = Start();
  TScriptedDialogs Boxes;
  Ripper.SetOutputFormat(cdrip::MONO22050);  // an earlier mono MP3 rip
  ASSERT_TRUE(Ripper.ApplyParameters());
  F.Chunks = {{0, 8192, 1}};
  Ripper.FileName = Dir / "s.ogg";
  EXPECT_TRUE(Ripper.RipOgg(1));
  EXPECT_EQ(F.LastSetParams.OutputFormat, cdrip::STEREO44100);
  EXPECT_EQ(Ripper.OutputFormat(), cdrip::MONO22050);  // the MP3 setting stays
  const auto Sent = std::find(F.Calls.rbegin(), F.Calls.rend(), "CR_SetCDROMParameters");
  const auto Opened = std::find(F.Calls.rbegin(), F.Calls.rend(), "CR_OpenRipper 0 999");
  EXPECT_TRUE(Sent > Opened);  // sent before the extraction opened

  F.SetParamsResult = 1;
  EXPECT_FALSE(Ripper.RipOgg(1));
  EXPECT_EQ(Boxes.Shown, std::vector<std::string>{"Invalid CD-ROM parameters"});
  EXPECT_EQ(F.Count("CR_OpenRipper"), 1);
}

TEST_F(FakeRip, AnMp3RipWhoseTagsCannotBeWrittenFails) {
  Start();
  Ripper.Encode = true;
  // The audio goes to t.mp3, the tags to FileName: a folder cannot take them.
  ASSERT_TRUE(std::filesystem::create_directory(Dir / "t.tag"));
  Ripper.FileName = Dir / "t.tag";
  int Ended = 0;
  Ripper.OnEndTrack = [&](TCDRipper*, uint16_t) { ++Ended; };
  EXPECT_EQ(ErrorOf([&] { Ripper.Rip(1); }),
            "Write error: cannot write the tags into " + (Dir / "t.tag"));
  EXPECT_EQ(Ended, 0);
  Ripper.FileName = Dir / "t.mp3";
  EXPECT_TRUE(Ripper.Rip(1));
}

TEST_F(FakeRip, AFullDiskFailsAFlacOrOpusRipWithEverythingClosed) {
  TFakeCdrip& F = Start();
  const int Descriptors = OpenDescriptors();
  Ripper.Encode = true;
  for (TStreamFormat Format : {TStreamFormat::Flac, TStreamFormat::Opus}) {
    Ripper.StreamEncoding = TStreamSettings{Format};
    F.Chunks = {{0, 40 * 2352, 1}, {0, 40 * 2352, 2}};
    const std::string Name = std::string("full") + StreamFileExt(Format);
    EXPECT_EQ(ErrorOf([&] { Ripper.RipSectors(0, 79, FullDisk(Name)); }), "Write error") << Name;
  }
  EXPECT_EQ(F.Count("CR_CloseRipper"), 2);
  EXPECT_EQ(OpenDescriptors(), Descriptors);
}

// Test and copy as the owner plugs it into the ripper's hooks: a read without
// a file, then the rip, each track's two CRCs compared.
TEST_F(FakeRip, TestAndCopyMarksATrackWhoseTwoReadsDifferSuspicious) {
  TFakeCdrip& F = Start();
  F.BufferBytes = 500 * 2352;
  const int32_t Half = 500 * 2352, Quarter = 250 * 2352;
  // Track 1 (1000 sectors) reads the same twice; the copy of track 2 (750)
  // differs in its last chunk.
  F.Chunks = {{0, Half, 7}, {0, Half, 7},    {4, 0, 0}, {0, Half, 7}, {0, Half, 7},   {4, 0, 0},
              {0, Half, 9}, {0, Quarter, 5}, {4, 0, 0}, {0, Half, 9}, {0, Quarter, 6}};
  TAccurateRipId Id;
  Id.Tracks = {1, 2};
  TRipVerification V(Id, {1000, 750});
  Ripper.OnBeginTrack = [&V](TCDRipper*, uint16_t T) { V.BeginCopy(T); };
  Ripper.OnAudioRead = [&V](const uint8_t* Bytes, size_t Size) { V.Feed(Bytes, Size); };
  Ripper.WriteWAV = true;
  for (int T : {1, 2}) {
    V.BeginTest(T);
    ASSERT_TRUE(Ripper.ReadSectors(T == 1 ? 0 : 1000, T == 1 ? 999 : 1749));
    EXPECT_TRUE(std::filesystem::is_empty(Dir.Path()));  // the test read writes nothing
    Ripper.FileName = Dir / (std::to_string(T) + ".wav");
    ASSERT_TRUE(Ripper.Rip(T));
    std::filesystem::remove(Ripper.FileName);
  }
  EXPECT_EQ(V.Track(1)->Status, TTrackStatus::Unchecked);
  EXPECT_EQ(TRipVerification::VerdictText(*V.Track(1)), "test and copy match");
  EXPECT_EQ(V.Track(2)->Status, TTrackStatus::Suspicious);
  EXPECT_NE(V.Track(2)->TestCrc, V.Track(2)->Crc32);
  EXPECT_TRUE(V.Failed());
  // The database's verdict does not clear a suspicious track.
  V.SetDatabase({});
  EXPECT_EQ(V.Track(1)->Status, TTrackStatus::NotInDatabase);
  EXPECT_EQ(V.Track(2)->Status, TTrackStatus::Suspicious);

  // A chunk the library fails ends a read without a file: its sums would have a hole.
  F.Chunks = {{0, Half, 1}, {1, 0, 0}, {0, Half, 1}};
  EXPECT_FALSE(Ripper.ReadSectors(0, 999));
  EXPECT_EQ(F.Chunks.size(), 1u);
}
