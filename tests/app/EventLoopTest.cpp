// The network event loop on Qt's loop: readiness, posted messages in order,
// timers, and exceptions that leave handlers.
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "AppTestSupport.h"
#include "app/QtEventLoop.h"

using namespace tolvar;
using namespace std::chrono_literals;

namespace {

// Both ends of a connected local socket, closed at the end.
struct TSocketPair {
  int Fd[2] = {-1, -1};
  TSocketPair() { QVERIFY(socketpair(AF_UNIX, SOCK_STREAM, 0, Fd) == 0); }
  ~TSocketPair() {
    for (int F : Fd)
      if (F >= 0) close(F);
  }
};

}  // namespace

class EventLoopTest : public QObject {
  Q_OBJECT
 private slots:
  void readinessReachesTheWatchAndReplacingItStopsTheOldOne() {
    TQtEventLoop Loop;
    TSocketPair Pair;
    std::vector<unsigned> Seen;
    Loop.Watch(Pair.Fd[0], TEventLoop::evWrite, [&](unsigned Ready) {
      Seen.push_back(Ready);
      // Replaced from inside its own handler: only reads count from now on.
      Loop.Watch(Pair.Fd[0], TEventLoop::evRead, [&](unsigned R) {
        Seen.push_back(R);
        char Buffer[8];
        [[maybe_unused]] auto N = read(Pair.Fd[0], Buffer, sizeof Buffer);
      });
    });
    QTRY_COMPARE(Seen.size(), size_t(1));
    QCOMPARE(Seen[0], unsigned(TEventLoop::evWrite));
    QCOMPARE(write(Pair.Fd[1], "x", 1), ssize_t(1));
    QTRY_COMPARE(Seen.size(), size_t(2));
    QCOMPARE(Seen[1], unsigned(TEventLoop::evRead));
    Loop.Unwatch(Pair.Fd[0]);
    QCOMPARE(write(Pair.Fd[1], "y", 1), ssize_t(1));
    QTest::qWait(50);
    QCOMPARE(Seen.size(), size_t(2));
  }

  void aHangUpCountsAsReadyForEveryWatchedEvent() {
    TQtEventLoop Loop;
    TSocketPair Pair;
    unsigned Ready = 0;
    Loop.Watch(Pair.Fd[0], TEventLoop::evRead, [&](unsigned R) {
      Ready = R;
      Loop.Unwatch(Pair.Fd[0]);
    });
    close(Pair.Fd[1]);
    Pair.Fd[1] = -1;
    QTRY_COMPARE(Ready, unsigned(TEventLoop::evRead));
  }

  void postedMessagesArriveInOrderAlsoFromOtherThreads() {
    TQtEventLoop Loop;
    std::vector<int> Order;
    Loop.Post([&] {
      Order.push_back(1);
      Loop.Post([&] { Order.push_back(4); });
    });
    std::thread Other([&] { Loop.Post([&] { Order.push_back(2); }); });
    Other.join();
    Loop.Post([&] { Order.push_back(3); });
    QVERIFY(Order.empty());  // later, never inside Post
    QTRY_COMPARE(Order.size(), size_t(4));
    QCOMPARE(Order, (std::vector<int>{1, 2, 3, 4}));
  }

  void timersFireOnceAndStoppedTimersNever() {
    TQtEventLoop Loop;
    std::vector<int> Fired;
    auto A = Loop.StartTimer(30ms, [&] { Fired.push_back(1); });
    auto B = Loop.StartTimer(10ms, [&] { Fired.push_back(2); });
    auto C = Loop.StartTimer(20ms, [&] { Fired.push_back(3); });
    QVERIFY(A != 0 && B != A && C != B);
    Loop.StopTimer(C);
    Loop.StopTimer(C);  // twice is harmless
    QTest::qWait(120);
    QCOMPARE(Fired, (std::vector<int>{2, 1}));
  }

  void processEventsWaitsAtMostMaxWait() {
    TQtEventLoop Loop;
    bool Done = false;
    Loop.StartTimer(20ms, [&] { Done = true; });
    const auto Start = std::chrono::steady_clock::now();
    while (!Done && std::chrono::steady_clock::now() - Start < 2s) Loop.ProcessEvents(500ms);
    QVERIFY(Done);
    const auto Idle = std::chrono::steady_clock::now();
    Loop.ProcessEvents(50ms);  // nothing pending: returns after the limit
    QVERIFY(std::chrono::steady_clock::now() - Idle < 1s);
  }

  void exceptionsGoToOnExceptionAndTheLoopGoesOn() {
    TQtEventLoop Loop;
    std::vector<std::string> Errors;
    Loop.OnException = [&](std::exception_ptr E) {
      try {
        std::rethrow_exception(E);
      } catch (const std::exception& X) {
        Errors.push_back(X.what());
      }
    };
    bool After = false;
    Loop.Post([] { throw std::runtime_error("posted"); });
    Loop.StartTimer(1ms, [] { throw std::runtime_error("timer"); });
    Loop.Post([&] { After = true; });
    QTRY_COMPARE(Errors.size(), size_t(2));
    QVERIFY(After);
    QCOMPARE(Errors, (std::vector<std::string>{"posted", "timer"}));
  }
};

TOLVAR_APP_TEST_MAIN(EventLoopTest)
#include "EventLoopTest.moc"
