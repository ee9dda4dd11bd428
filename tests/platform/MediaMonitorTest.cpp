#include "platform/mediamonitor/MediaMonitor.h"

#include <gtest/gtest.h>

#include <thread>

using namespace tolvar;
using namespace std::chrono_literals;

namespace {

struct TScript {
  std::vector<bool> State;
  int Probes = 0;
};

}  // namespace

TEST(MediaMonitor, ReportsArrivalAndRemovalPerDriveAfterTheFirstLook) {
  TScript S{{false, true}};
  TMediaMonitor Monitor(
      [&] {
        ++S.Probes;
        return S.State;
      },
      0ms);
  std::vector<int> Codes;
  Monitor.OnDeviceChange = [&](int Code) { Codes.push_back(Code); };

  Monitor.Poll();  // the first look only learns the state
  EXPECT_TRUE(Codes.empty());

  S.State = {true, false};
  Monitor.Poll();
  EXPECT_EQ(Codes, (std::vector<int>{0x8000, 0x8004}));

  Codes.clear();
  Monitor.Poll();  // nothing changed
  EXPECT_TRUE(Codes.empty());
}

TEST(MediaMonitor, PollProbesOncePerIntervalAndPollNowAlways) {
  TScript S{{false}};
  TMediaMonitor Monitor(
      [&] {
        ++S.Probes;
        return S.State;
      },
      200ms);
  Monitor.Poll();
  Monitor.Poll();
  Monitor.Poll();
  EXPECT_EQ(S.Probes, 1);
  Monitor.PollNow();
  EXPECT_EQ(S.Probes, 2);
  std::this_thread::sleep_for(220ms);
  Monitor.Poll();
  EXPECT_EQ(S.Probes, 3);
}

TEST(MediaMonitor, ANewDriveListIsANewStartWithoutEvents) {
  TScript S{{false}};
  TMediaMonitor Monitor([&] { return S.State; }, 0ms);
  int Events = 0;
  Monitor.OnDeviceChange = [&](int) { ++Events; };
  Monitor.Poll();
  S.State = {true, true};
  Monitor.Poll();
  EXPECT_EQ(Events, 0);
  S.State = {true, false};
  Monitor.Poll();
  EXPECT_EQ(Events, 1);
}

TEST(MediaMonitor, AHandlerThatPollsAgainDoesNotSeeTheChangeTwice) {
  TScript S{{true}};
  TMediaMonitor Monitor([&] { return S.State; }, 0ms);
  std::vector<int> Codes;
  Monitor.OnDeviceChange = [&](int Code) {
    Codes.push_back(Code);
    Monitor.Poll();  // a rip that processes messages inside the handler
  };
  Monitor.Poll();
  S.State = {false};
  Monitor.Poll();
  EXPECT_EQ(Codes, (std::vector<int>{0x8004}));
}

TEST(MediaMonitor, ResetTakesThePresentStateWithoutEvents) {
  TScript S{{false}};
  TMediaMonitor Monitor([&] { return S.State; }, 0ms);
  int Events = 0;
  Monitor.OnDeviceChange = [&](int) { ++Events; };
  Monitor.Poll();
  S.State = {true};
  Monitor.Reset();
  Monitor.Poll();
  EXPECT_EQ(Events, 0);
}
