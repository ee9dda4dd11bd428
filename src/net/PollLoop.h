#pragma once
// TEventLoop over poll(2), for the command-line tool and the tests.
#include <chrono>
#include <deque>
#include <map>
#include <mutex>
#include <unordered_map>

#include "net/EventLoop.h"

namespace tolvar {

class TPollLoop : public TEventLoop {
 public:
  TPollLoop();
  ~TPollLoop() override;
  TPollLoop(const TPollLoop&) = delete;
  TPollLoop& operator=(const TPollLoop&) = delete;

  void Watch(int Fd, unsigned Events, TWatchHandler Handler) override;
  void Post(TMessage Message) override;
  TTimerId StartTimer(std::chrono::milliseconds Delay, TMessage Handler) override;
  void StopTimer(TTimerId Id) override;
  void ProcessEvents(std::chrono::milliseconds MaxWait) override;

  // Runs until Quit is called.
  void Run();
  void Quit() { FQuit = true; }
  // Runs until Done() holds or Timeout passes; returns Done().
  bool RunUntil(const std::function<bool()>& Done, std::chrono::milliseconds Timeout);
  // Nothing watched, no timer, no message: a round would have nothing to do.
  bool Idle();

 private:
  using TClock = std::chrono::steady_clock;
  struct TWatch {
    unsigned Events = 0;
    std::uint64_t Serial = 0;  // tells a reused descriptor from the one polled
    TWatchHandler Handler;
  };
  struct TTimer {
    TClock::time_point Due;
    TMessage Handler;
  };

  int WaitMs(std::chrono::milliseconds MaxWait) const;
  void RunDueTimers();
  void RunPostedMessages();
  void DrainWakeup();

  std::unordered_map<int, TWatch> FWatches;
  std::uint64_t FWatchSerial = 0;
  std::map<TTimerId, TTimer> FTimers;
  TTimerId FNextTimer = 1;
  std::mutex FQueueLock;
  std::deque<TMessage> FQueue;
  int FWakeFd = -1;  // eventfd that ends a wait when a message is posted
  bool FQuit = false;
};

}  // namespace tolvar
