// TCDRipper's drives, disc state and track table over the real CD
// library and generated disc images.
#include "ripper/CDRipper.h"

#include <chrono>

#include "RipperTestSupport.h"
#include "platform/mediamonitor/MediaMonitor.h"
#include "util/Dialogs.h"

using namespace tolvar;
using namespace tolvar::fixtures;
using namespace tolvar::testing;

namespace {

class CDRipperTest : public RealLibraryTest {
 protected:
  void SetUp() override {
    RealLibraryTest::SetUp();
    if (Real > 0)
      GTEST_SKIP() << "these tests want the image drives first; this machine has a drive";
    Log.Attach(Ripper);
  }
  TCDRipper Ripper;
  TEventLog Log;
};

std::vector<std::string> TrackKinds(const TCDRipper& R) {
  std::vector<std::string> Kinds;
  for (int I = 0; I < R.Tracks().Count(); ++I) Kinds.push_back(R.Tracks().Objects(I)->Kind);
  return Kinds;
}

}  // namespace

TEST_F(CDRipperTest, InitWithNoDriveReportsItAndFiresTheEvents) {
  ASSERT_TRUE(Load({}));
  Ripper.Init();
  EXPECT_TRUE(Ripper.Drives.empty());
  EXPECT_EQ(Ripper.DriveCount, 0);
  EXPECT_EQ(Log.Events, (std::vector<std::string>{
                            "status: Found 0 CDROM Drive(s), Disc is not Loaded in active drive.",
                            "drives", "list"}));
  EXPECT_FALSE(Ripper.DiscInfoValid);
  EXPECT_EQ(Ripper.Tracks().Count(), 0);
  EXPECT_EQ(Ripper.Version, "110");
}

TEST_F(CDRipperTest, InitReadsTheAudioDiscInTheFirstDrive) {
  ASSERT_TRUE(Load({MakeImage("audio.cue", {{1350}, {1800}, {2325}})}));
  Ripper.Init();
  EXPECT_EQ(Ripper.Drives, (std::vector<std::string>{"Image: " + (Dir / "audio.cue")}));
  EXPECT_EQ(Log.Events,
            (std::vector<std::string>{
                "list",  // ReadDiscInfo
                "status: Found 1 CDROM Drive(s), A audio Disc is Loaded in (1st) drive.", "drives",
                "list"}));
  EXPECT_TRUE(Ripper.DiscInfoValid);
  EXPECT_EQ(Ripper.TrackLines,
            (std::vector<std::string>{"Track 1 = 00:18", "Track 2 = 00:24", "Track 3 = 00:31"}));
  ASSERT_EQ(Ripper.TrackNum(), 3);
  ASSERT_EQ(Ripper.Tracks().Count(), 3);
  EXPECT_EQ(Ripper.Tracks().Strings(1), "Track02");
  const TTrack* T = Ripper.GetTrack(1);
  EXPECT_EQ(T->Number, 2);
  EXPECT_EQ(T->StartSector, 1350);
  EXPECT_EQ(T->EndSector, 3149);
  EXPECT_EQ(T->Duration, 23986);  // Trunc(1799 / 0.075)
  EXPECT_EQ(T->Kind, "Audio");
  // LoadDrive took the drive's parameters and switched jitter correction on.
  EXPECT_EQ(std::string(Ripper.DriveID), "Image: " + (Dir / "audio.cue"));
  EXPECT_EQ(Ripper.CDRomNum(), 0);
  EXPECT_TRUE(Ripper.JitterCorrect());
  EXPECT_EQ(Ripper.Params.JitterCorrection, -1);
  EXPECT_EQ(Ripper.OutputFormat(), cdrip::STEREO44100);
  ASSERT_NE(Ripper.DriveTable(), nullptr);
  EXPECT_EQ(Ripper.DriveTable()->Endian, cdrip::LITTLEENDIAN);
  EXPECT_EQ(Ripper.JittersNum(), 0);
}

TEST_F(CDRipperTest, AMixedModeDiscIsCompositeWithADataTrack) {
  ASSERT_TRUE(Load({MakeImage("mixed.cue", {{1500}, {600, true}})}));
  Ripper.Init();
  EXPECT_EQ(Ripper.StatusText,
            "Found 1 CDROM Drive(s), A composite Disc is Loaded in (1st) drive.");
  EXPECT_EQ(Ripper.DiscInfo.DiscType, 2);
  EXPECT_EQ(Ripper.TrackLines,
            (std::vector<std::string>{"Track 1 = 00:20", "Track 2 = Data Track"}));
  EXPECT_EQ(TrackKinds(Ripper), (std::vector<std::string>{"Audio", "Data"}));
  EXPECT_EQ(Ripper.DiscInfo.Entries[1].Audio, 0);
  EXPECT_EQ(Ripper.DiscInfo.AudioLength, LengthMsf(1500));
}

TEST_F(CDRipperTest, ADataOnlyDiscIsADataDisc) {
  ASSERT_TRUE(Load({MakeImage("data.cue", {{600, true}})}));
  Ripper.Init();
  EXPECT_EQ(Ripper.StatusText, "Found 1 CDROM Drive(s), A data Disc is Loaded in (1st) drive.");
  EXPECT_EQ(Ripper.DiscInfo.DiscType, 0);
  EXPECT_EQ(Ripper.DiscInfo.AudioLength, 0u);
  EXPECT_FALSE(Ripper.CheckDisc());
  EXPECT_EQ(Ripper.StatusText, "Error : Data Disc");
}

TEST_F(CDRipperTest, DiscInformationHoldsPositionsAndLengthsAsMsf) {
  ASSERT_TRUE(Load({MakeImage("audio.cue", {{300}, {200, false, 150}, {100}})}));
  Ripper.Init();
  const TDiscInfo& D = Ripper.DiscInfo;
  EXPECT_EQ(D.TrackCount, 3);
  EXPECT_EQ(D.FirstTrack, 1);
  EXPECT_EQ(D.LastTrack, 3);
  // Track 2 starts after its pregap, at 450; the lead-out is at 750.
  EXPECT_EQ(D.Entries[1].StartSector, 450);
  EXPECT_EQ(D.Entries[0].LengthSectors, 450);    // the pregap counts to track 1
  EXPECT_EQ(D.Entries[1].StartMSF, 0x000800u);   // 600 frames: 0:08:00
  EXPECT_EQ(D.Entries[1].LengthMSF, 0x000232u);  // 200 frames: 0:02:50
  EXPECT_EQ(D.StartMSF, 0x000200u);
  EXPECT_EQ(D.LeadOutMSF, 0x000C00u);  // 900 frames: 0:12:00
  EXPECT_EQ(D.DiscLength, 0x000C00u);
  EXPECT_EQ(D.AudioLength, 0x000A00u);  // 750 frames: 0:10:00
  EXPECT_EQ(D.DiscType, 1);
  // The disc ID sums the packed start positions; track 3 starts at
  // 650 + 150 = 800 frames, 0:10:50.
  EXPECT_EQ(D.DiscId, 0x200u + 0x800u + 0xA32u);
}

TEST_F(CDRipperTest, TwoTrackDiscsGetTheShortDiscIdRule) {
  ASSERT_TRUE(Load({MakeImage("two.cue", {{300}, {200}})}));
  Ripper.Init();
  // 0x200 + 0x600, plus the frames byte of track 1 (0) and the audio length
  // in frames (500).
  EXPECT_EQ(Ripper.DiscInfo.DiscId, 0x200u + 0x600u + 500u);
}

TEST_F(CDRipperTest, AShortDiscIdAboveFffffLoses33) {
  TImageOptions Sparse;
  Sparse.Sparse = true;
  ASSERT_TRUE(Load({MakeImage("long.cue", {{72000}, {75}}, Sparse)}));
  Ripper.Init();
  // 0x200 + 16:02:00 (0x100200) + 0 + 72075 frames = 0x111D8B, above 0xFFFFF.
  EXPECT_EQ(Ripper.DiscInfo.DiscId, 0x200u + 0x100200u + 72075u - 33u);
}

TEST_F(CDRipperTest, ThreeTrackDiscsOnlySumTheirStarts) {
  ASSERT_TRUE(Load({MakeImage("three.cue", {{300}, {200}, {100}})}));
  Ripper.Init();
  EXPECT_EQ(Ripper.DiscInfo.DiscId, 0x200u + 0x600u + 0x832u);
}

TEST_F(CDRipperTest, ANinetyNineTrackDiscFillsEveryList) {
  TImageOptions Sparse;
  Sparse.Sparse = true;
  ASSERT_TRUE(
      Load({MakeImage("full.cue", std::vector<TImageTrack>(99, TImageTrack{4500}), Sparse)}));
  Ripper.Init();
  ASSERT_EQ(Ripper.TrackLines.size(), 99u);
  EXPECT_EQ(Ripper.TrackLines[98], "Track 99 = 01:00");
  ASSERT_EQ(Ripper.Tracks().Count(), 99);
  EXPECT_EQ(Ripper.Tracks().Strings(98), "Track99");
  EXPECT_EQ(Ripper.GetTrack(98)->StartSector, 98 * 4500);
  EXPECT_EQ(Ripper.DiscInfo.LastTrack, 99);
  EXPECT_EQ(Ripper.DiscInfo.LeadOutMSF, PositionMsf(99 * 4500));
}

TEST_F(CDRipperTest, GetTrackAndTrackDurationGuardTheirIndex) {
  ASSERT_TRUE(Load({MakeImage("two.cue", {{300}, {75}})}));
  Ripper.Init();
  EXPECT_EQ(Ripper.GetTrack(-1), nullptr);
  EXPECT_EQ(Ripper.GetTrack(2), nullptr);
  EXPECT_EQ(Ripper.TrackDuration(-1), -1);
  EXPECT_EQ(Ripper.TrackDuration(2), -1);
  EXPECT_EQ(Ripper.TrackDuration(1), 986);  // Trunc(74 / 0.075)
  EXPECT_EQ(Ripper.TrackDuration(0), 3986);
}

TEST(TrackTimeText, ShowsHoursMinutesAndSeconds) {
  TTrack T;
  T.Duration = 247000;
  EXPECT_EQ(TrackTimeText(T), "0:04:07");
  T.Duration = 3723999;
  EXPECT_EQ(TrackTimeText(T), "1:02:03");
  T.Duration = 25 * 3600000;  // hours wrap at a day
  EXPECT_EQ(TrackTimeText(T), "1:00:00");
  T.Duration = 0;
  EXPECT_EQ(TrackTimeText(T), "0:00:00");
}

// ---- Drives ----

TEST_F(CDRipperTest, SelectingAnotherDriveRebuildsTheTracksAndOpensItsMciDevice) {
  ASSERT_TRUE(
      Load({MakeImage("a.cue", {{300}, {200}}), MakeImage("b.cue", {{150}, {150}, {150}})}));
  Ripper.Init();
  ASSERT_EQ(Ripper.Tracks().Count(), 2);
  EXPECT_FALSE(MciIsOpen());  // drive 0 was active already

  Log.Events.clear();
  Ripper.SelectDrive(1);
  Ripper.SetCDRomNum(1);
  EXPECT_TRUE(MciIsOpen());
  EXPECT_EQ(CR_GetActiveCDROM(), 1);
  EXPECT_EQ(Ripper.CDRomNum(), 1);
  EXPECT_EQ(std::string(Ripper.DriveID), "Image: " + (Dir / "b.cue"));
  ASSERT_EQ(Ripper.Tracks().Count(), 3);
  EXPECT_EQ(Ripper.GetTrack(2)->StartSector, 300);
  EXPECT_EQ(Ripper.GetTrack(2)->Duration, 1986);
  EXPECT_EQ(Ripper.TrackLines.size(), 3u);
  EXPECT_EQ(Log.Events, (std::vector<std::string>{"list"}));  // ReadDiscInfo only

  uint32_t Count, Position, Length;
  MciTrackStatus(Count, Position, Length);
  EXPECT_EQ(Count, 3u);
  EXPECT_EQ(Position, PositionMsf(300));
  EXPECT_EQ(Length, LengthMsf(150));

  // The drive that is already CDRomNum: nothing happens.
  Ripper.SetCDRomNum(1);
  EXPECT_EQ(Ripper.Tracks().Count(), 3);
}

TEST_F(CDRipperTest, SetActiveDriveIgnoresTheActiveIndexAndIndexesOutside) {
  ASSERT_TRUE(Load({MakeImage("a.cue", {{300}}), MakeImage("b.cue", {{150}})}));
  Ripper.Init();
  SetActiveDrive(0);
  EXPECT_FALSE(MciIsOpen());
  SetActiveDrive(2);
  SetActiveDrive(-1);
  EXPECT_EQ(CR_GetActiveCDROM(), 0);
  EXPECT_FALSE(MciIsOpen());
  SetActiveDrive(1);
  EXPECT_TRUE(MciIsOpen());
  SetActiveDrive(0);
  EXPECT_TRUE(MciIsOpen());  // moved to drive 0
  uint32_t Count, Position, Length;
  MciTrackStatus(Count, Position, Length);
  EXPECT_EQ(Count, 1u);
  EXPECT_EQ(Length, LengthMsf(300));
}

TEST_F(CDRipperTest, SelectingAnEmptyDriveLeavesNoValidDisc) {
  ASSERT_TRUE(Load({MakeImage("a.cue", {{300}}), Dir / "missing.cue"}));
  Ripper.Init();
  ASSERT_TRUE(Ripper.DiscInfoValid);
  Ripper.SelectDrive(1);
  Ripper.SetCDRomNum(1);
  EXPECT_FALSE(Ripper.DiscInfoValid);
  EXPECT_EQ(Ripper.DiscInfo.TrackCount, 0);
  EXPECT_EQ(Ripper.CDRomNum(), 1);
  EXPECT_EQ(Ripper.Tracks().Count(), 1);  // a table that cannot be read keeps the old one
  EXPECT_FALSE(Ripper.CheckDisc());
  EXPECT_EQ(Ripper.StatusText, "Error : No Disc in drive");
}

// ---- Parameters ----

TEST_F(CDRipperTest, OutputFormatAndJitterCorrectionReachTheLibraryThroughApplyParameters) {
  ASSERT_TRUE(Load({MakeImage("a.cue", {{300}})}));
  Ripper.Init();
  Ripper.SetOutputFormat(cdrip::MONO22050);
  Ripper.SetJitterCorrect(false);
  EXPECT_EQ(Ripper.Params.OutputFormat, cdrip::MONO22050);
  EXPECT_EQ(Ripper.Params.JitterCorrection, 0);
  Ripper.Speed = 4;  // the component's own: never copied into Params
  ASSERT_TRUE(Ripper.ApplyParameters());
  TDriveParams P;
  ASSERT_EQ(CR_GetCDROMParameters(P), 0);
  EXPECT_EQ(P.OutputFormat, cdrip::MONO22050);
  EXPECT_EQ(P.JitterCorrection, 0);
  EXPECT_EQ(P.Speed, 0);
  Ripper.SetJitterCorrect(true);
  EXPECT_EQ(Ripper.Params.JitterCorrection, -1);
  // A value the library refuses makes ApplyParameters false.
  Ripper.SetOutputFormat(static_cast<TOutputFormat>(17));
  EXPECT_FALSE(Ripper.ApplyParameters());
}

// ---- Media change ----

TEST_F(CDRipperTest, TheTrayOfAnImageDriveRemovesAndLoadsTheDiscThroughTheMonitor) {
  ASSERT_TRUE(Load({MakeImage("sample.cue", {{1350}, {600, true}})}));
  Ripper.Init();
  TMediaMonitor Monitor(CDRipMediaStates, std::chrono::milliseconds(0));
  Monitor.OnDeviceChange = [&](int Code) { Ripper.DeviceChange(Code); };
  Monitor.Poll();

  Log.Events.clear();
  ASSERT_EQ(CR_EjectCD(true), 0);
  Monitor.Poll();
  EXPECT_EQ(Log.Events, (std::vector<std::string>{"status: Media Removed !!", "list"}));
  EXPECT_FALSE(Ripper.DiscInfoValid);
  EXPECT_EQ(Ripper.DiscInfo.TrackCount, 0);
  EXPECT_TRUE(Ripper.TrackLines.empty());
  EXPECT_EQ(Ripper.Tracks().Count(), 0);
  EXPECT_TRUE(Ripper.Jitters().empty());

  Log.Events.clear();
  ASSERT_EQ(CR_EjectCD(false), 0);
  Monitor.Poll();
  EXPECT_EQ(Log.Events, (std::vector<std::string>{"status: Media Loaded !!", "list"}));
  EXPECT_TRUE(Ripper.DiscInfoValid);
  EXPECT_EQ(Ripper.TrackLines,
            (std::vector<std::string>{"Track 1 = 00:18", "Track 2 = Data Track"}));
  EXPECT_EQ(TrackKinds(Ripper), (std::vector<std::string>{"Audio", "Data"}));
}

TEST_F(CDRipperTest, ArrivalWithAValidDiscAndRemovalWithTheDiscStillThereChangeNothing) {
  ASSERT_TRUE(Load({MakeImage("a.cue", {{300}})}));
  Ripper.Init();
  Log.Events.clear();
  Ripper.DeviceChange(0x8000);
  Ripper.DeviceChange(0x8004);
  Ripper.DeviceChange(0x0007);
  EXPECT_TRUE(Log.Events.empty());
  EXPECT_TRUE(Ripper.DiscInfoValid);
  EXPECT_EQ(Ripper.Tracks().Count(), 1);
}

TEST_F(CDRipperTest, ArrivalWithoutADiscAsksAgainAfter300Milliseconds) {
  ASSERT_TRUE(Load({Dir / "missing.cue"}));
  Ripper.Init();
  Log.Events.clear();
  auto Start = std::chrono::steady_clock::now();
  Ripper.DeviceChange(0x8000);
  EXPECT_GE(std::chrono::steady_clock::now() - Start, std::chrono::milliseconds(300));
  EXPECT_TRUE(Log.Events.empty());
}

TEST_F(CDRipperTest, AnImageThatAppearsArrivesLikeADisc) {
  std::string Path = Dir / "later.cue";
  ASSERT_TRUE(Load({Path}));
  Ripper.Init();
  EXPECT_EQ(Ripper.StatusText, "Found 1 CDROM Drive(s), Disc is not Loaded in active drive.");
  TMediaMonitor Monitor(CDRipMediaStates, std::chrono::milliseconds(0));
  Monitor.OnDeviceChange = [&](int Code) { Ripper.DeviceChange(Code); };
  Monitor.Poll();
  WriteDiscImage(Path, {{750}});
  Monitor.Poll();
  EXPECT_EQ(Ripper.StatusText, "Media Loaded !!");
  EXPECT_EQ(Ripper.TrackLines, (std::vector<std::string>{"Track 1 = 00:10"}));
  EXPECT_EQ(Ripper.Tracks().Count(), 1);
}

TEST_F(CDRipperTest, RemovalDuringAnOggRipAbortsIt) {
  ASSERT_TRUE(Load({MakeImage("a.cue", {{300}})}));
  Ripper.Init();
  Ripper.Ripping = true;
  CR_EjectCD(true);
  Ripper.DeviceChange(0x8004);
  EXPECT_TRUE(Ripper.Cancel);
  EXPECT_TRUE(Ripper.OggCancel);
  EXPECT_EQ(Ripper.StatusText, "Media Removed !!");
}

TEST_F(CDRipperTest, AbortOutsideAnOggRipSaysSo) {
  ASSERT_TRUE(Load({}));
  Ripper.Abort();
  EXPECT_TRUE(Ripper.Cancel);
  EXPECT_FALSE(Ripper.OggCancel);
  EXPECT_EQ(Ripper.StatusText, "CDROM is not ripping CD data");
}

// ---- CheckDisc and CanPlay ----

TEST_F(CDRipperTest, CanPlayNeedsAnAudioDiscAndNoRip) {
  ASSERT_TRUE(Load({MakeImage("a.cue", {{300}})}));
  Ripper.Init();
  TScriptedDialogs Dialogs;
  EXPECT_TRUE(Ripper.CheckDisc());
  EXPECT_TRUE(Ripper.CanPlay());
  EXPECT_TRUE(Dialogs.Shown.empty());

  Ripper.Ripping = true;
  EXPECT_FALSE(Ripper.CanPlay());
  EXPECT_EQ(Dialogs.Shown, (std::vector<std::string>{"Ripping in progress !"}));

  Ripper.Ripping = false;
  Ripper.DiscInfoValid = false;
  EXPECT_FALSE(Ripper.CanPlay());
  EXPECT_EQ(Ripper.StatusText, "Error : No Disc info");
  EXPECT_EQ(Dialogs.Shown.back(), "Not a audio CD. !");
}

TEST(TagInfo, SlotsHold128CharactersAndAZero) {
  TCDRipper R;
  SetTagText(R.TagInfo.Title, std::string(200, 'x'));
  EXPECT_EQ(TagText(R.TagInfo.Title), std::string(128, 'x'));
  std::string Kana;  // 128 characters of three bytes
  for (int I = 0; I < 128; ++I) Kana += "\xE3\x81\x82";
  SetTagText(R.TagInfo.Title, Kana + Kana);
  EXPECT_EQ(TagText(R.TagInfo.Title), Kana);
  SetTagText(R.TagInfo.Year, "1999");
  EXPECT_EQ(TagText(R.TagInfo.Year), "1999");
  EXPECT_EQ(TagText(R.TagInfo.Artist), "");
}

TEST(CDRipperCreate, StartsWithEverythingClearedAndNoDriveTable) {
  TCDRipper R;
  EXPECT_EQ(R.CDRomNum(), 0);
  EXPECT_FALSE(R.JitterCorrect());
  EXPECT_FALSE(R.Encode);
  EXPECT_FALSE(R.WriteWAV);
  EXPECT_EQ(R.Speed, 0);
  EXPECT_EQ(R.TrackNum(), 0);
  EXPECT_EQ(R.DriveTable(), nullptr);
  EXPECT_EQ(R.Coder(), nullptr);
  EXPECT_EQ(R.Tracks().Count(), 0);
}
