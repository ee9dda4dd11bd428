#include "cddb/TocReader.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>

#include "DiscImage.h"
#include "TestSupport.h"
#include "cddb/CddbDisc.h"
#include "cddb/ImageDrive.h"
#include "cddb/ScsiDevice.h"
#include "platform/cdrip/CdDrives.h"
#include "util/Dialogs.h"

using namespace tolvar;
using fixtures::TImageTrack;

namespace {

// Image drives for one test; real drives (if the machine has any) come first.
class ImageDrives : public ::testing::Test {
 protected:
  void SetUp() override {
    unsetenv("TOLVAR_CD_IMAGES");
    RealDrives = static_cast<int>(cdrip::RealDevices().size());
  }
  void TearDown() override {
    cdrip::SetRealDeviceSource(nullptr);
    SetProgramImages({});
    unsetenv("TOLVAR_CD_IMAGES");
  }
  std::string Image(const std::string& Name, const std::vector<TImageTrack>& Tracks) {
    std::string Path = Dir / Name;
    fixtures::WriteDiscImage(Path, Tracks);
    return Path;
  }

  fixtures::TTempDir Dir;
  int RealDrives = 0;
};

}  // namespace

TEST(TocReaderPlatform, PassThroughIsTheOnlyInterface) {
  EXPECT_EQ(AspiAdapterCount(), -1);
  EXPECT_GE(OsKind(), 4);  // devices open for reading and writing
  EXPECT_TRUE(InterfaceAvailable());
}

TEST_F(ImageDrives, ListFollowsTheLibrarysImagesThenProgramImages) {
  setenv("TOLVAR_CD_IMAGES", ":/a.cue::/b b.toc:", 1);
  SetProgramImages({"/given.cue"});
  EXPECT_EQ(ImageDriveList(), (std::vector<std::string>{"/a.cue", "/b b.toc", "/given.cue"}));
}

TEST_F(ImageDrives, EnumerationIdentifiesImagesAfterRealDrives) {
  std::string A = Image("first.cue", {{750}});
  std::string B = Image("second.cue", {{750}});
  setenv("TOLVAR_CD_IMAGES", A.c_str(), 1);
  SetProgramImages({B});
  TDriveTable Table;
  Table.CurrentDrive = 1;
  EnumerateDrives(Table);
  ASSERT_EQ(Table.DriveCount, RealDrives + 2);
  const TCDDrive& First = Table.Drives[RealDrives];
  EXPECT_TRUE(First.Image);
  EXPECT_EQ(First.Device, A);
  EXPECT_EQ(First.Vendor, "Tolvar  ");
  EXPECT_EQ(First.Product, "Image drive     ");
  EXPECT_EQ(First.FullName, "Tolvar  Image drive     0.7 ");
  EXPECT_EQ(First.VendorSpecific, "first.cue           ");
  EXPECT_EQ(Table.Drives[RealDrives + 1].Device, B);
  EXPECT_EQ(Table.CurrentDrive, 1);  // enumeration leaves the last read drive alone
}

TEST_F(ImageDrives, MoreThan26DrivesAreCut) {
  std::vector<std::string> Many(40, "/nowhere.cue");
  SetProgramImages(Many);
  TDriveTable Table;
  EnumerateDrives(Table);
  EXPECT_EQ(Table.DriveCount, kMaxDrives);
}

TEST_F(ImageDrives, MixedModeImageGivesDataTrackAndAbsoluteAddresses) {
  // Data track of 60 s, then audio with a 2 s pregap, then 30 s of audio.
  SetProgramImages({Image("mixed.cue", {{4500, true}, {3000, false, 150}, {2250}})});
  TDriveTable Table;
  EnumerateDrives(Table);
  TDiscToc Toc;
  ASSERT_FALSE(ReadDriveToc(Table, static_cast<uint8_t>(RealDrives), Toc));
  ASSERT_EQ(Toc.TrackCount, 3);
  EXPECT_FALSE(Toc.Tracks[0].Audio);
  EXPECT_EQ(Toc.Tracks[0].Second, 2);  // 0:02:00
  EXPECT_TRUE(Toc.Tracks[1].Audio);
  EXPECT_EQ(Toc.Tracks[1].Minute, 1);  // 150 + 4500 + 150 = 4800 = 1:04:00
  EXPECT_EQ(Toc.Tracks[1].Second, 4);
  EXPECT_EQ(Toc.Tracks[2].Minute, 1);  // 4800 + 3000 = 7800 = 1:44:00
  EXPECT_EQ(Toc.Tracks[2].Second, 44);
  EXPECT_EQ(Toc.LeadOut.Minute, 2);  // 7800 + 2250 = 10050 = 2:14:00
  EXPECT_EQ(Toc.LeadOut.Second, 14);
  EXPECT_EQ(Toc.LeadOut.Frame, 0);
}

TEST_F(ImageDrives, ConstructionReadsDriveZeroWithoutDiscIdOrMessages) {
  if (RealDrives > 0) GTEST_SKIP() << "drive 0 is a real drive here";
  SetProgramImages({Image("one.cue", {{13350}})});  // 0:02:00 to 3:00:00
  TScriptedDialogs Dialogs;
  TCddbDisc Disc;
  EXPECT_TRUE(Disc.InternalTOCRetrieve);
  EXPECT_EQ(Disc.CDInfo.Toc.TrackCount, 1);
  EXPECT_EQ(Disc.CDInfo.Toc.LeadOut.Minute, 3);
  EXPECT_EQ(Disc.CDInfo.DiscID, "");
  EXPECT_EQ(Disc.DriveTable.CurrentDrive, 0);
  EXPECT_TRUE(Dialogs.Shown.empty());
}

TEST_F(ImageDrives, ReadTocSetsLowerCaseIdAndCurrentDrive) {
  SetProgramImages({Image("a.cue", {{750}}), Image("b.cue", {{13350}})});
  TCddbDisc Disc;
  std::vector<std::string> Shown;
  Disc.OnStatusMessage = [&](TCddbDisc&, const std::string& S) { Shown.push_back(S); };
  EXPECT_TRUE(Disc.ReadTOC(static_cast<uint8_t>(RealDrives + 1)));
  EXPECT_EQ(Disc.CDInfo.DiscID, "0200b201");
  EXPECT_EQ(Disc.DriveTable.CurrentDrive, RealDrives + 1);
  EXPECT_TRUE(Shown.empty());

  // An index past the table: nothing changes, nothing is said.
  EXPECT_FALSE(Disc.ReadTOC(static_cast<uint8_t>(RealDrives + 2)));
  EXPECT_EQ(Disc.CDInfo.DiscID, "0200b201");
  EXPECT_EQ(Disc.DriveTable.CurrentDrive, RealDrives + 1);
  EXPECT_TRUE(Shown.empty());
}

TEST_F(ImageDrives, ReadTocWithoutDiscReportsAndStillSetsTheId) {
  SetProgramImages({Dir / "gone.cue"});
  TCddbDisc Disc;
  std::vector<std::string> Shown;
  Disc.OnStatusMessage = [&](TCddbDisc&, const std::string& S) { Shown.push_back(S); };
  EXPECT_FALSE(Disc.ReadTOC(static_cast<uint8_t>(RealDrives)));
  EXPECT_EQ(Shown, std::vector<std::string>{"No CD in CD/DVD drive!"});
  EXPECT_EQ(Disc.CDInfo.DiscID, "00000001");
  EXPECT_EQ(Disc.DriveTable.CurrentDrive, RealDrives);
}

TEST_F(ImageDrives, ReadTocWithoutInterfaceChangesNothing) {
  SetProgramImages({Image("a.cue", {{750}})});
  TCddbDisc Disc;
  Disc.InternalTOCRetrieve = false;
  Disc.CDInfo.DiscID = "1502EC03";
  std::vector<std::string> Shown;
  Disc.OnStatusMessage = [&](TCddbDisc&, const std::string& S) { Shown.push_back(S); };
  EXPECT_FALSE(Disc.ReadTOC(static_cast<uint8_t>(RealDrives)));
  EXPECT_EQ(Shown, std::vector<std::string>{"No CD-ROM interface detected!"});
  EXPECT_EQ(Disc.CDInfo.DiscID, "1502EC03");
  Disc.OnStatusMessage = nullptr;  // no handler: no report, no crash
  EXPECT_FALSE(Disc.ReadTOC(0));
}

TEST_F(ImageDrives, ParseEntryKeepsTheQueriedTocAndTheCategory) {
  SetProgramImages({Image("a.cue", {{750}}), Image("b.cue", {{13350}})});
  TCddbDisc Disc;
  ASSERT_TRUE(Disc.ReadTOC(static_cast<uint8_t>(RealDrives + 1)));
  std::vector<std::string> Shown;
  Disc.OnStatusMessage = [&](TCddbDisc&, const std::string& S) { Shown.push_back(S); };
  ASSERT_EQ(unlink((Dir / "b.cue").c_str()), 0);  // the disc is gone by the time the entry came
  Disc.CDInfo.Category = "rock";
  Disc.CDInfo.DiscID = "1502EC03";  // as an exact match leaves it
  Disc.CDInfo.Genre = "old";
  Disc.Entry[0] = "DISCID=12345678";
  Disc.Entry[5] = "DTITLE=Artist / Album";
  Disc.ParseEntry();
  EXPECT_EQ(Disc.CDInfo.Category, "rock");
  EXPECT_EQ(Disc.CDInfo.DiscID, "0200b201");
  EXPECT_EQ(Disc.CDInfo.Genre, "");
  EXPECT_EQ(Disc.CDInfo.Artist, "Artist");
  EXPECT_EQ(Disc.CDInfo.Toc.LeadOut.Minute, 3);
  EXPECT_TRUE(Shown.empty());
}

TEST_F(ImageDrives, DriveNumbersFollowTheCdLibraryAndOnlyTheChosenDriveIsOpened) {
  // Two devices as the CD library lists them (plain files here: they open,
  // but answer no SCSI command), then an image drive.
  fixtures::WriteFile(Dir / "cdrom", "");
  fixtures::WriteFile(Dir / "sr1", "");
  const std::vector<std::string> Devices = {Dir / "cdrom", Dir / "sr1"};
  cdrip::SetRealDeviceSource([&] { return Devices; });
  SetProgramImages({Image("a.cue", {{13350}})});
  TScriptedDialogs Dialogs;
  TCddbDisc Disc;
  EXPECT_TRUE(Disc.ReadTOC(2));  // the image is drive 2 for the ripper too
  EXPECT_EQ(Disc.CDInfo.Toc.LeadOut.Minute, 3);

  const int Watch = inotify_init1(IN_NONBLOCK);
  ASSERT_GE(Watch, 0);
  ASSERT_GE(inotify_add_watch(Watch, Devices[1].c_str(), IN_OPEN), 0);
  Dialogs.Shown.clear();
  EXPECT_FALSE(Disc.ReadTOC(0));
  EXPECT_EQ(Dialogs.Shown, std::vector<std::string>{"IO Error: 1\n\r"});  // drive 0 was asked
  char Events[256];
  EXPECT_LT(read(Watch, Events, sizeof Events), 0);  // drive 1 was never opened
  close(Watch);
}

TEST(DeviceDrives, UnopenableDeviceLeavesZeroDataWithoutMessages) {
  TScriptedDialogs Dialogs;
  TTocData Raw;
  Raw.fill(0xEE);
  ReadDeviceToc("/nonexistent/sr9", Raw);
  EXPECT_TRUE(std::all_of(Raw.begin(), Raw.end(), [](uint8_t B) { return B == 0; }));
  EXPECT_TRUE(Dialogs.Shown.empty());
  TDiscToc Toc;
  EXPECT_TRUE(ConvertToc(Raw, Toc));
  EXPECT_EQ(Toc.TrackCount, 1);
}

TEST(DeviceDrives, DeviceWithoutPassThroughShowsTheErrorAndFallsBack) {
  // A plain file opens but knows neither SG_IO nor the CD-ROM ioctls.
  fixtures::TTempDir Dir;
  fixtures::WriteFile(Dir / "sr0", "not a drive");
  TScriptedDialogs Dialogs;
  TTocData Raw;
  ReadDeviceToc(Dir / "sr0", Raw);
  EXPECT_EQ(Dialogs.Shown, std::vector<std::string>{"IO Error: 1\n\r"});
  EXPECT_TRUE(std::all_of(Raw.begin(), Raw.end(), [](uint8_t B) { return B == 0; }));
  TCDDrive Drive;
  Drive.Device = Dir / "sr0";
  InquireDevice(Drive);
  EXPECT_EQ(Drive.FullName, "");
}

TEST(DeviceDrives, PassThroughFailuresFollowTheirWindowsCodes) {
  EXPECT_EQ(WindowsErrorCode(EACCES), kErrorAccessDenied);
  EXPECT_EQ(WindowsErrorCode(EPERM), kErrorAccessDenied);
  EXPECT_EQ(WindowsErrorCode(EIO), kErrorIoDevice);
  EXPECT_EQ(WindowsErrorCode(ENOMEM), kErrorNoSystemResources);
  EXPECT_NE(WindowsErrorCode(ENOTTY), kErrorAccessDenied);  // errno 5 is EIO, not access denied

  TScriptedDialogs Dialogs;
  TTocData Raw;
  Raw.fill(7);
  HandlePassThroughFailure(kErrorNoSystemResources, Raw);
  EXPECT_TRUE(Dialogs.Shown.empty());
  EXPECT_EQ(Raw[0], 7);
  HandlePassThroughFailure(kErrorIoDevice, Raw);
  EXPECT_TRUE(Dialogs.Shown.empty());
  EXPECT_EQ(Raw[0], 0);
  HandlePassThroughFailure(kErrorAccessDenied, Raw);
  HandlePassThroughFailure(WindowsErrorCode(EBUSY), Raw);
  ASSERT_EQ(Dialogs.Shown.size(), 2u);
  EXPECT_EQ(Dialogs.Shown[0],
            "You must have Administor privileges to use SPTI under Win2000/XP; falling back to "
            "IOCTL. This may cause erroneous results if a Mixed-Mode CD is in the drive.");
  EXPECT_EQ(Dialogs.Shown[1], "IO Error: 170\n\r");
}
