// The poll loop: order of posted messages, timers, socket watches, and
// exceptions that leave a handler.
#include <unistd.h>

#include <stdexcept>
#include <thread>
#include <vector>

#include "NetTest.h"
#include "net/DnsQuery.h"
#include "net/WSocketErrors.h"

namespace tolvar::nettest {
namespace {

class EventLoopTest : public TLoopTest {};

TEST_F(EventLoopTest, PostedMessagesRunLaterInOrder) {
  std::vector<int> Seen;
  Loop.Post([&] {
    Seen.push_back(1);
    Loop.Post([&] { Seen.push_back(4); });  // behind those already queued
  });
  Loop.Post([&] { Seen.push_back(2); });
  Loop.Post([&] { Seen.push_back(3); });
  EXPECT_TRUE(Seen.empty());
  ASSERT_TRUE(Wait([&] { return Seen.size() == 4; }));
  EXPECT_EQ(Seen, (std::vector<int>{1, 2, 3, 4}));
}

TEST_F(EventLoopTest, TimersFireByDeadlineAndCanBeStopped) {
  std::vector<int> Fired;
  Loop.StartTimer(60ms, [&] { Fired.push_back(60); });
  auto Stopped = Loop.StartTimer(30ms, [&] { Fired.push_back(-1); });
  Loop.StartTimer(10ms, [&] { Fired.push_back(10); });
  Loop.StopTimer(Stopped);
  auto Start = std::chrono::steady_clock::now();
  ASSERT_TRUE(Wait([&] { return Fired.size() == 2; }));
  EXPECT_GE(std::chrono::steady_clock::now() - Start, 60ms);
  EXPECT_EQ(Fired, (std::vector<int>{10, 60}));
}

TEST_F(EventLoopTest, ExceptionFromHandlerReachesOwnerAndLoopGoesOn) {
  std::vector<std::string> Errors;
  Loop.OnException = [&](std::exception_ptr E) {
    try {
      std::rethrow_exception(E);
    } catch (const std::exception& Ex) {
      Errors.push_back(Ex.what());
    }
  };
  bool After = false;
  Loop.Post([] { throw std::runtime_error("posted"); });
  Loop.StartTimer(1ms, [] { throw std::runtime_error("timer"); });
  Loop.Post([&] { After = true; });
  ASSERT_TRUE(Wait([&] { return Errors.size() == 2 && After; }));
  EXPECT_EQ(Errors[0], "posted");
  EXPECT_EQ(Errors[1], "timer");
}

TEST_F(EventLoopTest, PostFromAnotherThreadWakesTheLoop) {
  bool Got = false;
  std::thread Poster([&] {
    std::this_thread::sleep_for(50ms);
    Loop.Post([&] { Got = true; });
  });
  auto Start = std::chrono::steady_clock::now();
  Loop.ProcessEvents(10s);  // wakes for the message, not at the time-out
  Poster.join();
  if (!Got) Loop.ProcessEvents(0ms);
  EXPECT_TRUE(Got);
  EXPECT_LT(std::chrono::steady_clock::now() - Start, 5s);
}

TEST_F(EventLoopTest, WatchReportsReadinessAndAWatchDroppedInTheRoundIsNotCalled) {
  int A[2], B[2];
  ASSERT_EQ(pipe(A), 0);
  ASSERT_EQ(pipe(B), 0);
  ASSERT_EQ(write(A[1], "x", 1), 1);
  ASSERT_EQ(write(B[1], "y", 1), 1);
  int Calls = 0;
  // Whichever handler runs first removes the other's watch.
  Loop.Watch(A[0], TEventLoop::evRead, [&](unsigned Ready) {
    EXPECT_EQ(Ready, TEventLoop::evRead);
    ++Calls;
    Loop.Unwatch(B[0]);
    Loop.Unwatch(A[0]);
  });
  Loop.Watch(B[0], TEventLoop::evRead, [&](unsigned) {
    ++Calls;
    Loop.Unwatch(A[0]);
    Loop.Unwatch(B[0]);
  });
  Loop.ProcessEvents(1s);
  Settle(20ms);
  EXPECT_EQ(Calls, 1);
  for (int Fd : {A[0], A[1], B[0], B[1]}) close(Fd);
}

TEST_F(EventLoopTest, TargetDropsMessagesOnceItsOwnerIsGone) {
  int Delivered = 0;
  {
    TLoopTarget Target(Loop);
    Target.Post([&] { ++Delivered; });
  }
  TLoopTarget Living(Loop);
  Living.Post([&] { ++Delivered; });
  Settle(20ms);
  EXPECT_EQ(Delivered, 1);
}

// A loop that cannot watch sockets, as one out of resources.
class TRefusingLoop : public TPollLoop {
 public:
  void Watch(int Fd, unsigned Events, TWatchHandler Handler) override {
    if (Events != 0) throw std::runtime_error("cannot watch");
    TPollLoop::Watch(Fd, Events, std::move(Handler));
  }
};

TEST(DnsQueryCallbacks, AFailureInsideTheResolverEndsTheLookupWithAnError) {
  TDnsQuery::SetServers("127.0.0.1:9");  // a name server: c-ares opens a socket
  TRefusingLoop Loop;
  int Error = -1;
  {
    TDnsQuery Query(Loop);
    EXPECT_EQ(
        Query.Lookup("tolvar.invalid", [&](int E, const std::vector<std::string>&) { Error = E; }),
        0);
    EXPECT_TRUE(Loop.RunUntil([&] { return Error != -1; }, std::chrono::seconds(5)));
  }
  TDnsQuery::SetServers("");
  EXPECT_EQ(Error, WSAENOBUFS);
}

}  // namespace
}  // namespace tolvar::nettest
