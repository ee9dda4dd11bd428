#include "net/PollLoop.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <system_error>
#include <vector>

namespace tolvar {

TPollLoop::TPollLoop() {
  FWakeFd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  if (FWakeFd < 0) throw std::system_error(errno, std::generic_category(), "eventfd");
}

TPollLoop::~TPollLoop() {
  close(FWakeFd);
}

void TPollLoop::Watch(int Fd, unsigned Events, TWatchHandler Handler) {
  if (Events == 0) {
    FWatches.erase(Fd);
    return;
  }
  auto& W = FWatches[Fd];
  if (W.Events == 0) W.Serial = ++FWatchSerial;
  W.Events = Events;
  W.Handler = std::move(Handler);
}

void TPollLoop::Post(TMessage Message) {
  {
    std::lock_guard Lock(FQueueLock);
    FQueue.push_back(std::move(Message));
  }
  const std::uint64_t One = 1;
  [[maybe_unused]] auto Ignored = write(FWakeFd, &One, sizeof One);
}

TEventLoop::TTimerId TPollLoop::StartTimer(std::chrono::milliseconds Delay, TMessage Handler) {
  TTimerId Id = FNextTimer++;
  FTimers.emplace(Id, TTimer{TClock::now() + Delay, std::move(Handler)});
  return Id;
}

void TPollLoop::StopTimer(TTimerId Id) {
  FTimers.erase(Id);
}

int TPollLoop::WaitMs(std::chrono::milliseconds MaxWait) const {
  auto Wait = MaxWait;
  if (!FTimers.empty()) {
    auto Now = TClock::now();
    for (auto& [Id, T] : FTimers) {
      auto Left = std::chrono::ceil<std::chrono::milliseconds>(T.Due - Now);
      Wait = std::min(Wait, std::max(Left, std::chrono::milliseconds(0)));
    }
  }
  return static_cast<int>(std::max<long long>(Wait.count(), 0));
}

void TPollLoop::ProcessEvents(std::chrono::milliseconds MaxWait) {
  std::vector<pollfd> Fds;
  std::vector<std::uint64_t> Serials;
  Fds.reserve(FWatches.size() + 1);
  Fds.push_back({FWakeFd, POLLIN, 0});
  Serials.push_back(0);
  for (auto& [Fd, W] : FWatches) {
    short Events = ((W.Events & evRead) ? POLLIN : 0) | ((W.Events & evWrite) ? POLLOUT : 0);
    Fds.push_back({Fd, Events, 0});
    Serials.push_back(W.Serial);
  }
  bool Pending;
  {
    std::lock_guard Lock(FQueueLock);
    Pending = !FQueue.empty();
  }
  int Count = poll(Fds.data(), Fds.size(), Pending ? 0 : WaitMs(MaxWait));
  if (Count < 0 && errno != EINTR) throw std::system_error(errno, std::generic_category(), "poll");

  for (size_t I = 1; Count > 0 && I < Fds.size(); ++I) {
    if (Fds[I].revents == 0) continue;
    // An earlier handler of this round may have dropped or replaced the watch.
    auto It = FWatches.find(Fds[I].fd);
    if (It == FWatches.end() || It->second.Serial != Serials[I]) continue;
    if (Fds[I].revents & POLLNVAL) {
      // Closed without being unwatched: polling it again would never wait.
      FWatches.erase(It);
      continue;
    }
    unsigned Ready = 0;
    if (Fds[I].revents & (POLLIN | POLLERR | POLLHUP)) Ready |= evRead;
    if (Fds[I].revents & (POLLOUT | POLLERR | POLLHUP)) Ready |= evWrite;
    Ready &= It->second.Events;
    if (Ready == 0) continue;
    // The handler may change the watch table: call a copy.
    TWatchHandler Handler = It->second.Handler;
    Deliver([&] { Handler(Ready); });
  }
  if (Fds[0].revents) DrainWakeup();
  RunDueTimers();
  RunPostedMessages();
}

void TPollLoop::DrainWakeup() {
  std::uint64_t Value;
  [[maybe_unused]] auto Ignored = read(FWakeFd, &Value, sizeof Value);
}

void TPollLoop::RunDueTimers() {
  auto Now = TClock::now();
  std::vector<TTimerId> Due;
  for (auto& [Id, T] : FTimers)
    if (T.Due <= Now) Due.push_back(Id);
  for (TTimerId Id : Due) {
    auto It = FTimers.find(Id);
    if (It == FTimers.end()) continue;  // stopped by an earlier timer
    TMessage Handler = std::move(It->second.Handler);
    FTimers.erase(It);
    Deliver(Handler);
  }
}

void TPollLoop::RunPostedMessages() {
  // Only what was queued when the round began: a handler that posts again does
  // not keep this round going forever.
  size_t Count;
  {
    std::lock_guard Lock(FQueueLock);
    Count = FQueue.size();
  }
  for (; Count > 0; --Count) {
    TMessage Message;
    {
      std::lock_guard Lock(FQueueLock);
      if (FQueue.empty()) return;  // a nested round took it
      Message = std::move(FQueue.front());
      FQueue.pop_front();
    }
    Deliver(Message);
  }
}

bool TPollLoop::Idle() {
  if (!FWatches.empty() || !FTimers.empty()) return false;
  std::lock_guard Lock(FQueueLock);
  return FQueue.empty();
}

void TPollLoop::Run() {
  FQuit = false;
  while (!FQuit) ProcessEvents(std::chrono::hours(1));
}

bool TPollLoop::RunUntil(const std::function<bool()>& Done, std::chrono::milliseconds Timeout) {
  auto End = TClock::now() + Timeout;
  while (!Done()) {
    auto Left = std::chrono::ceil<std::chrono::milliseconds>(End - TClock::now());
    if (Left.count() <= 0) return Done();
    ProcessEvents(Left);
  }
  return true;
}

}  // namespace tolvar
