// What an image cannot show, through the scripted fake library: a library
// that is missing or lacks a name, a table of contents that cannot be read,
// negative sectors, parameter reads that fail.
#include <cstring>

#include "RipperTestSupport.h"

using namespace tolvar;
using namespace tolvar::fake;
using namespace tolvar::testing;

namespace {

class FakeRipper : public FakeLibraryTest {
 protected:
  void SetUp() override { Log.Attach(Ripper); }
  TFakeCdrip& Script(const char* Path = FAKE_CDRIP) {
    TFakeCdrip& F = Open(Path);
    F.DriveNames = {"Fake drive A", "Fake drive B"};
    F.Media = {true, true};
    std::strcpy(F.Params.ID, "Fake drive A");
    F.Params.OutputFormat = cdrip::STEREO44100;
    F.Params.Speed = 24;
    F.Params.DriveTable.Density = 7;
    F.Tocs = {{Audio(0, 1), Audio(1000, 2), LeadOut(1750)},
              {Audio(0, 1), Audio(300, 2), Data(600, 3), LeadOut(900)}};
    return F;
  }
  TCDRipper Ripper;
  TEventLog Log;
};

const std::vector<std::string> kNotReadyEvents = {"status: CDRip3.DLL is not ready.", "drives",
                                                  "list"};

}  // namespace

TEST_F(FakeRipper, AMissingLibraryIsNotReadyAndInitEndsInInitializationFailure) {
  EXPECT_FALSE(LoadCDRip(std::string("/nonexistent/") + cdrip::kLibraryFileName));
  EXPECT_FALSE(CDRipReady());
  EXPECT_FALSE(CDRipLoadError().empty());
  try {
    Ripper.Init();
    FAIL() << "Init went through";
  } catch (const ECDRIPError& E) {
    EXPECT_STREQ(E.what(), "Initialization failure");
  }
  EXPECT_EQ(Log.Events, kNotReadyEvents);
  EXPECT_TRUE(Ripper.Drives.empty());
  EXPECT_THROW(CR_GetNumCDROM(), ECDRipMissing);
  EXPECT_TRUE(CDRipMediaStates().empty());
  EXPECT_EQ(MciCDCount(), 0);
  EXPECT_THROW(SetActiveDrive(0), ECDRipMissing);  // it asks the library for its drives
}

TEST_F(FakeRipper, AMissingEntryPointFailsTheOperationThatNeedsIt) {
  TFakeCdrip& F = Script(FAKE_CDRIP_NO_VERSION);
  ASSERT_TRUE(Load());  // CR_Init is there
  EXPECT_THROW(
      try { Ripper.Init(); } catch (const ECDRIPError& E) {
        EXPECT_STREQ(E.what(), "Initialization failure");
        throw;
      },
      ECDRIPError);
  // Everything before LoadDrive happened.
  EXPECT_EQ(Log.Events.front(), "list");
  EXPECT_EQ(Ripper.StatusText, "Found 2 CDROM Drive(s), A audio Disc is Loaded in (1st) drive.");
  EXPECT_EQ(F.Count("CR_GetCDROMParameters"), 0);
}

TEST_F(FakeRipper, AMissingTocEntryNameFailsSetCDRomNumAndDiscInformation) {
  Script(FAKE_CDRIP_NO_TOC_ENTRY);
  ASSERT_TRUE(Load());
  EXPECT_THROW(GetDiscInfo(Ripper.DiscInfo), ECDRipMissing);
  EXPECT_THROW(Ripper.SetCDRomNum(1), ECDRIPError);
  try {
    Ripper.SetCDRomNum(1);
  } catch (const ECDRIPError& E) {
    EXPECT_STREQ(E.what(), "Initialization failure");
  }
}

TEST_F(FakeRipper, ALibraryWhoseInitFailsIsNotReady) {
  TFakeCdrip& F = Script();
  F.InitResult = 1;
  EXPECT_FALSE(Load());
  // LoadDrive stops at its own CR_Init: no exception, no parameters read.
  Ripper.Init();
  EXPECT_EQ(Log.Events, kNotReadyEvents);
  EXPECT_EQ(Ripper.Version, "110");
  EXPECT_EQ(F.Count("CR_GetCDROMParameters"), 0);
  EXPECT_EQ(F.Count("CR_ReadToc"), 0);
  EXPECT_EQ(Ripper.JittersNum(), 0);
}

TEST_F(FakeRipper, InitMakesDriveZeroActiveOnlyWhenItIsNotAlready) {
  TFakeCdrip& F = Script();
  ASSERT_TRUE(Load());
  Ripper.Init();
  EXPECT_EQ(F.Count("CR_SetActiveCDROM"), 0);
  EXPECT_EQ(F.Calls.front(), "CR_Init CDRipper.ini");
  EXPECT_EQ(F.Count("CR_Init"), 2);  // LoadDrive's, with an empty name
  EXPECT_EQ(Ripper.Drives, (std::vector<std::string>{"Fake drive A", "Fake drive B"}));
  EXPECT_EQ(Ripper.Speed, 24);
  EXPECT_EQ(Ripper.DriveTable()->Density, 7);
  EXPECT_EQ(std::string(Ripper.DriveID), "Fake drive A");
}

TEST_F(FakeRipper, NoDriveMeansNoSetActiveDrive) {
  TFakeCdrip& F = Script();
  F.DriveNames.clear();
  F.Media.clear();
  F.GetParamsResult = 1;
  ASSERT_TRUE(Load());
  Ripper.Init();
  EXPECT_EQ(F.Count("CR_SetActiveCDROM"), 0);
  EXPECT_EQ(Ripper.StatusText, "Found 0 CDROM Drive(s), Disc is not Loaded in active drive.");
  EXPECT_EQ(Ripper.DriveTable(), nullptr);
  EXPECT_FALSE(Ripper.JitterCorrect());
}

TEST_F(FakeRipper, ATocThatCannotBeReadLeavesTheListsAlone) {
  TFakeCdrip& F = Script();
  F.ReadTocResult = 1;
  ASSERT_TRUE(Load());
  Ripper.Init();
  // The disc is there but its table is not: no disc information, and Init
  // names the type of the empty record.
  EXPECT_EQ(Ripper.StatusText, "Found 2 CDROM Drive(s), A data Disc is Loaded in (1st) drive.");
  EXPECT_FALSE(Ripper.DiscInfoValid);
  EXPECT_EQ(Log.Events, (std::vector<std::string>{Log.Events[0], "drives", "list"}));
  EXPECT_EQ(Ripper.TrackNum(), 0);
  EXPECT_EQ(Ripper.Tracks().Count(), 0);
  EXPECT_EQ(GetDiscInfo(Ripper.DiscInfo), kDiscInfoFailed);
  EXPECT_EQ(Ripper.DiscInfo.TrackCount, 0);
}

TEST_F(FakeRipper, GetDiscInfoWithoutADiscSaysSo) {
  TFakeCdrip& F = Script();
  F.Media = {false, false};
  ASSERT_TRUE(Load());
  EXPECT_EQ(GetDiscInfo(Ripper.DiscInfo), kDiscInfoNoDisc);
  F.Media = {true, false};
  F.Tocs[0] = {LeadOut(0)};  // no track
  EXPECT_EQ(GetDiscInfo(Ripper.DiscInfo), kDiscInfoFailed);
}

TEST_F(FakeRipper, ANegativeStartSectorIsARangeErrorAndSoInitializationFailure) {
  TFakeCdrip& F = Script();
  F.Tocs[0] = {Audio(-5, 1), Audio(100, 2), LeadOut(200)};
  ASSERT_TRUE(Load());
  EXPECT_THROW(Ripper.Init(), ECDRIPError);
}

TEST_F(FakeRipper, ANegativeEndSectorIsARangeErrorToo) {
  TFakeCdrip& F = Script();
  ASSERT_TRUE(Load());
  Ripper.Init();
  F.Tocs[1] = {Audio(0, 1), LeadOut(0)};  // the end of track 1 is sector -1
  try {
    Ripper.SetCDRomNum(1);
    FAIL();
  } catch (const ECDRIPError& E) {
    EXPECT_STREQ(E.what(), "Initialization failure");
  }
}

TEST_F(FakeRipper, TrackKindsFollowTheFlagsByteExactly) {
  TFakeCdrip& F = Script();
  F.Tocs[0] = {{0, 16, 1}, {100, 17, 2}, {200, 18, 3}, {300, 20, 4}, {400, 0, 5}, LeadOut(500)};
  ASSERT_TRUE(Load());
  Ripper.Init();
  std::vector<std::string> Kinds;
  for (int I = 0; I < Ripper.Tracks().Count(); ++I) Kinds.push_back(Ripper.GetTrack(I)->Kind);
  EXPECT_EQ(Kinds, (std::vector<std::string>{"Audio", "Data", "Data", "Data", "Data"}));
  // The disc record only looks at the data bit.
  EXPECT_EQ(Ripper.DiscInfo.DiscType, 2);
  EXPECT_EQ(Ripper.TrackLines[1], "Track 2 = 00:01");
  EXPECT_EQ(Ripper.TrackLines[3], "Track 4 = Data Track");
}

TEST_F(FakeRipper, ParameterReadsThatFailKeepThePreviousValues) {
  TFakeCdrip& F = Script();
  ASSERT_TRUE(Load());
  Ripper.Init();
  F.GetParamsResult = 1;
  Ripper.SetCDRomNum(1);
  EXPECT_EQ(Ripper.CDRomNum(), 0);  // only a read of the parameters moves it
  EXPECT_EQ(F.Active, 1);
  EXPECT_EQ(Ripper.Tracks().Count(), 3);  // the table was read all the same
  EXPECT_EQ(std::string(Ripper.DriveID), "Fake drive A");
}

TEST_F(FakeRipper, ATocReadThatFailsLaterKeepsTheTracksOfTheLastRead) {
  TFakeCdrip& F = Script();
  ASSERT_TRUE(Load());
  Ripper.Init();
  ASSERT_EQ(Ripper.Tracks().Count(), 2);
  F.ReadTocResult = 1;  // the library empties its table
  EXPECT_NO_THROW(Ripper.LoadDrive());
  EXPECT_EQ(Ripper.TrackNum(), 2);
  ASSERT_EQ(Ripper.Tracks().Count(), 2);
  EXPECT_EQ(Ripper.GetTrack(1)->EndSector, 1749);
}

TEST_F(FakeRipper, ApplyParametersSendsParamsWholeAndReportsTheResult) {
  TFakeCdrip& F = Script();
  ASSERT_TRUE(Load());
  Ripper.Init();
  Ripper.SetOutputFormat(cdrip::STEREO11025);
  EXPECT_TRUE(Ripper.ApplyParameters());
  EXPECT_EQ(F.LastSetParams.OutputFormat, cdrip::STEREO11025);
  EXPECT_EQ(F.LastSetParams.JitterCorrection, -1);
  EXPECT_STREQ(F.LastSetParams.ID, "Fake drive A");
  F.SetParamsResult = 1;
  EXPECT_FALSE(Ripper.ApplyParameters());
}

TEST_F(FakeRipper, ApplyParametersWithoutTheLibraryIsErrorSettingParameters) {
  LoadCDRip(std::string("/nonexistent/") + cdrip::kLibraryFileName);
  try {
    Ripper.ApplyParameters();
    FAIL();
  } catch (const ECDRIPError& E) {
    EXPECT_STREQ(E.what(), "Error setting parameters");
  }
}

TEST_F(FakeRipper, MoreThanAHundredEntriesAreCutNeverWrittenPast) {
  TFakeCdrip& F = Script();
  std::vector<cdrip::TTocEntry> Toc;
  for (int I = 0; I < 120; ++I) Toc.push_back(Audio(I * 100, static_cast<uint8_t>(I + 1)));
  Toc.push_back(LeadOut(12000));
  F.Tocs[0] = Toc;
  ASSERT_TRUE(Load());
  TDiscInfo Info;
  ASSERT_EQ(GetDiscInfo(Info), kDiscInfoOk);
  EXPECT_EQ(Info.TrackCount, 100);
  EXPECT_EQ(Info.LastTrack, 120);
  EXPECT_EQ(Info.Entries[99].LengthSectors, 100);
}

TEST_F(FakeRipper, TheMciDeviceFollowsTheActiveDrive) {
  TFakeCdrip& F = Script();
  ASSERT_TRUE(Load());
  Ripper.Init();
  EXPECT_EQ(MciCDCount(), 2);
  EXPECT_FALSE(MciIsOpen());
  uint32_t Count = 9, Position = 9, Length = 9;
  MciTrackStatus(Count, Position, Length);
  EXPECT_EQ(Count + Position + Length, 0u);  // closed: all zero

  Ripper.SelectDrive(1);
  EXPECT_EQ(F.Count("CR_SetActiveCDROM 1"), 1);
  EXPECT_TRUE(MciIsOpen());
  MciTrackStatus(Count, Position, Length);
  EXPECT_EQ(Count, 3u);
  EXPECT_EQ(Position, PositionMsf(600));
  EXPECT_EQ(Length, LengthMsf(300));
  EXPECT_EQ(Ripper.DiscInfo.DiscType, 2);

  SetActiveDrive(1);  // already active: nothing
  EXPECT_EQ(F.Count("CR_SetActiveCDROM"), 1);

  // A drive switched behind the device's back: the device stays silent.
  CR_SetActiveCDROM(0);
  MciTrackStatus(Count, Position, Length);
  EXPECT_EQ(Count, 0u);
  FreeCDRip();
  EXPECT_FALSE(MciIsOpen());
}

// ---- Playback failures that an image drive cannot show ----

TEST_F(FakeRipper, PlaybackFailuresOfTheLibraryBecomeStatusTexts) {
  TFakeCdrip& F = Script();
  F.InitResult = 1;
  EXPECT_FALSE(Load());
  Ripper.PlayTrack(1);
  EXPECT_EQ(Ripper.StatusText, "CDRip3.DLL is not ready.");
  EXPECT_EQ(F.Count("CR_PlayTrack"), 0);

  F.InitResult = 0;
  ASSERT_TRUE(Load());
  Ripper.Init();
  Ripper.PlayTrack(2);  // the drive refuses
  EXPECT_EQ(F.Count("CR_PlayTrack 2"), 1);
  EXPECT_EQ(Ripper.StatusText, "Play Track Error");

  F.Playing = true;
  F.DriveStatus = 18;
  Log.Events.clear();
  Ripper.Pause();
  Ripper.Resume();
  Ripper.Stop();
  EXPECT_EQ(F.Count("CR_PauseCD 1") + F.Count("CR_PauseCD 0") + F.Count("CR_StopPlayTrack"), 3);
  EXPECT_EQ(Log.Events, std::vector<std::string>(3, "status: CDEX Error"));

  F.PauseResult = F.StopResult = 0;
  Log.Events.clear();
  Ripper.Pause();
  Ripper.Resume();
  Ripper.Stop();
  EXPECT_TRUE(Log.Events.empty());  // success says nothing
}
