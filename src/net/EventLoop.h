#pragma once
// The event loop the network components run on: socket readiness, posted
// messages delivered later in order, and one-shot timers. The command-line
// tool and the tests use TPollLoop; the window adapts the same interface to Qt
// (socket notifiers, queued calls, timers).
#include <chrono>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>

namespace tolvar {

class TEventLoop {
 public:
  static constexpr unsigned evRead = 1, evWrite = 2;
  using TWatchHandler = std::function<void(unsigned Ready)>;
  using TMessage = std::function<void()>;
  using TTimerId = std::uint64_t;

  virtual ~TEventLoop() = default;

  // Calls Handler with the events of Events that Fd is ready for. Error and
  // hang-up conditions count as ready for every watched event. A later call for
  // the same Fd replaces the watch; Events 0 removes it.
  virtual void Watch(int Fd, unsigned Events, TWatchHandler Handler) = 0;
  void Unwatch(int Fd) { Watch(Fd, 0, {}); }

  // Delivers Message later, after every message posted before it. Safe to call
  // from any thread.
  virtual void Post(TMessage Message) = 0;

  // Calls Handler once after Delay; never 0 as an id.
  virtual TTimerId StartTimer(std::chrono::milliseconds Delay, TMessage Handler) = 0;
  virtual void StopTimer(TTimerId Id) = 0;

  // Handles what is ready, waiting at most MaxWait for something to happen.
  // Blocking waits call it from inside handlers.
  virtual void ProcessEvents(std::chrono::milliseconds MaxWait) = 0;

  // Receives every exception that leaves a handler; the loop goes on. Without
  // one the message goes to stderr.
  std::function<void(std::exception_ptr)> OnException;

 protected:
  // Runs a handler and passes an escaping exception to OnException.
  template <typename F>
  void Deliver(F&& Handler) noexcept {
    try {
      Handler();
    } catch (...) {
      ReportException(std::current_exception());
    }
  }
  void ReportException(std::exception_ptr Error) noexcept;
};

// What the hidden window was to a component: posts messages to the loop that
// are dropped once the component is gone, so nothing runs on a destroyed
// object. Lives inside the component.
class TLoopTarget {
 public:
  explicit TLoopTarget(TEventLoop& Loop) : FLoop(Loop), FAlive(std::make_shared<char>()) {}
  TLoopTarget(const TLoopTarget&) = delete;
  TLoopTarget& operator=(const TLoopTarget&) = delete;

  TEventLoop& Loop() const { return FLoop; }
  void Post(TEventLoop::TMessage Message);
  // True while the owner lives; lets a handler find out whether a callback it
  // just made destroyed the owner.
  std::weak_ptr<char> Token() const { return FAlive; }

 private:
  TEventLoop& FLoop;
  std::shared_ptr<char> FAlive;
};

inline bool Alive(const std::weak_ptr<char>& Token) {
  return !Token.expired();
}

}  // namespace tolvar
