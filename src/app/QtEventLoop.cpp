#include "app/QtEventLoop.h"

#include <poll.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QSocketNotifier>
#include <QTimer>

namespace tolvar {

TQtEventLoop::TQtEventLoop(QObject* Parent) : QObject(Parent) {}

TQtEventLoop::~TQtEventLoop() {
  for (auto& [Fd, W] : Watches) Retire(*W);
}

void TQtEventLoop::Retire(TWatch& Watch) {
  // A handler may drop its own watch while its notifier is signalling:
  // notifiers are disabled at once and deleted later.
  for (QSocketNotifier* N : {Watch.Read, Watch.Write}) {
    if (!N) continue;
    N->setEnabled(false);
    N->deleteLater();
  }
  Watch.Read = Watch.Write = nullptr;
}

void TQtEventLoop::Watch(int Fd, unsigned Events, TWatchHandler Handler) {
  if (auto Old = Watches.find(Fd); Old != Watches.end()) {
    Retire(*Old->second);
    Watches.erase(Old);
  }
  if (Events == 0 || !Handler) return;
  auto W = std::make_shared<TWatch>();
  W->Events = Events;
  W->Handler = std::move(Handler);
  std::weak_ptr<TWatch> Weak = W;
  auto Notify = [this, Fd, Weak] {
    if (auto Live = Weak.lock()) Ready(Fd, Live);
  };
  if (Events & evRead) {
    W->Read = new QSocketNotifier(Fd, QSocketNotifier::Read, this);
    connect(W->Read, &QSocketNotifier::activated, this, Notify);
  }
  if (Events & evWrite) {
    W->Write = new QSocketNotifier(Fd, QSocketNotifier::Write, this);
    connect(W->Write, &QSocketNotifier::activated, this, Notify);
  }
  Watches[Fd] = std::move(W);
}

void TQtEventLoop::Ready(int Fd, const std::shared_ptr<TWatch>& W) {
  // Qt says which notifier fired, not whether the socket failed or hung up:
  // ask the descriptor itself, so errors count as ready for every watched event.
  pollfd P{Fd, 0, 0};
  if (W->Events & evRead) P.events |= POLLIN;
  if (W->Events & evWrite) P.events |= POLLOUT;
  if (poll(&P, 1, 0) <= 0) return;
  unsigned Ready = 0;
  if (P.revents & (POLLERR | POLLHUP | POLLNVAL)) Ready = W->Events;
  if (P.revents & POLLIN) Ready |= evRead;
  if (P.revents & POLLOUT) Ready |= evWrite;
  Ready &= W->Events;
  if (Ready == 0) return;
  // The handler may replace or drop this watch; it runs from its own copy.
  TWatchHandler Handler = W->Handler;
  Deliver([&] { Handler(Ready); });
}

void TQtEventLoop::Post(TMessage Message) {
  // Queued calls to one receiver arrive in the order they were posted, and
  // are dropped with the receiver.
  QMetaObject::invokeMethod(
      this, [this, Message = std::move(Message)] { Deliver(Message); }, Qt::QueuedConnection);
}

TEventLoop::TTimerId TQtEventLoop::StartTimer(std::chrono::milliseconds Delay, TMessage Handler) {
  const TTimerId Id = NextTimer++;
  auto* Timer = new QTimer(this);
  Timer->setSingleShot(true);
  connect(Timer, &QTimer::timeout, this, [this, Id, Handler = std::move(Handler)] {
    TMessage Run = Handler;  // the timer and this slot go away in StopTimer
    StopTimer(Id);
    Deliver(Run);
  });
  Timers[Id] = Timer;
  Timer->start(std::chrono::duration_cast<std::chrono::milliseconds>(Delay));
  return Id;
}

void TQtEventLoop::StopTimer(TTimerId Id) {
  auto It = Timers.find(Id);
  if (It == Timers.end()) return;
  It->second->stop();
  It->second->deleteLater();
  Timers.erase(It);
}

void TQtEventLoop::ProcessEvents(std::chrono::milliseconds MaxWait) {
  if (MaxWait.count() <= 0) {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    return;
  }
  // Waits for the first event, but no longer than MaxWait.
  QTimer Limit;
  Limit.setSingleShot(true);
  Limit.start(MaxWait);
  QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

}  // namespace tolvar
