// TCDRipper's playback and tray over the real CD library, on image drives,
// playing into the library's null output.
#include <chrono>

#include "RipperTestSupport.h"
#include "platform/mediamonitor/MediaMonitor.h"
#include "util/Dialogs.h"

using namespace tolvar;
using namespace tolvar::testing;

namespace {

class CDRipperPlayTest : public RealLibraryTest {
 protected:
  void SetUp() override {
    RealLibraryTest::SetUp();
    if (Real > 0)
      GTEST_SKIP() << "these tests want the image drives first; this machine has a drive";
    setenv("TOLVAR_AUDIO", "null", 1);
    Log.Attach(Ripper);
  }
  void TearDown() override {
    RealLibraryTest::TearDown();
    unsetenv("TOLVAR_AUDIO");
  }
  TCDRipper Ripper;
  TEventLog Log;
};

}  // namespace

TEST_F(CDRipperPlayTest, PlayPauseResumeAndStopSayWhatTheDriveCannotDo) {
  ASSERT_TRUE(Load({MakeImage("mixed.cue", {{750}, {100, true}})}));
  Ripper.Init();
  TScriptedDialogs Dialogs;
  Log.Events.clear();
  Ripper.Pause();
  Ripper.Stop();
  Ripper.Resume();
  Ripper.PlayTrack(2);
  Ripper.PlayTrack(0);
  Ripper.PlayTrack(3);
  EXPECT_EQ(Log.Events,
            (std::vector<std::string>{
                "status: Not Playing", "status: Not Playing", "status: Drive not in paused state.",
                "status: Track 2 is not a Audio Track", "status: Track 0 is not a Audio Track",
                "status: Track 3 is not a Audio Track"}));
  EXPECT_EQ(CR_DriveStatus(), 21);  // nothing reached the drive

  Log.Events.clear();
  Ripper.PlayTrack(1);
  EXPECT_EQ(CR_DriveStatus(), 17);
  Ripper.Resume();
  Ripper.Pause();
  EXPECT_EQ(CR_DriveStatus(), 18);
  Ripper.Resume();
  EXPECT_EQ(CR_DriveStatus(), 17);
  Ripper.Pause();
  Ripper.Stop();  // a paused play stops too
  EXPECT_EQ(CR_DriveStatus(), 21);
  EXPECT_EQ(Log.Events, (std::vector<std::string>{"status: Drive not in paused state."}));
  EXPECT_TRUE(Dialogs.Shown.empty());

  Ripper.Ripping = true;
  Ripper.PlayTrack(1);
  EXPECT_EQ(Dialogs.Shown, (std::vector<std::string>{"Ripping in progress !"}));
  EXPECT_EQ(CR_DriveStatus(), 21);
}

TEST_F(CDRipperPlayTest, EjectWhilePlayingStopsItAndTheRemovalReachesTheRipper) {
  ASSERT_TRUE(Load({MakeImage("a.cue", {{750}})}));
  Ripper.Init();
  TMediaMonitor Monitor(CDRipMediaStates, std::chrono::milliseconds(0));
  Monitor.OnDeviceChange = [&](int Code) { Ripper.DeviceChange(Code); };
  Monitor.Poll();
  Ripper.PlayTrack(1);
  ASSERT_EQ(CR_DriveStatus(), 17);

  Log.Events.clear();
  Ripper.Eject();
  EXPECT_EQ(CR_DriveStatus(), 21);
  Monitor.Poll();
  EXPECT_EQ(Log.Events, (std::vector<std::string>{"status: Media Removed !!", "list"}));
  TScriptedDialogs Dialogs;
  Ripper.PlayTrack(1);
  EXPECT_EQ(Ripper.StatusText, "Error : No Disc in drive");
  EXPECT_EQ(Dialogs.Shown, (std::vector<std::string>{"Not a audio CD. !"}));
}
