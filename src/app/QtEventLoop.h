#pragma once
// The network components' event loop on top of Qt's: socket notifiers for
// readiness, queued calls for posted messages, single-shot timers. An
// exception that leaves a handler goes to OnException (the window shows it in
// its error box) and the loop goes on.
#include <QObject>
#include <map>
#include <memory>
#include <unordered_map>

#include "net/EventLoop.h"

class QSocketNotifier;
class QTimer;

namespace tolvar {

class TQtEventLoop : public QObject, public TEventLoop {
  Q_OBJECT
 public:
  explicit TQtEventLoop(QObject* Parent = nullptr);
  ~TQtEventLoop() override;

  void Watch(int Fd, unsigned Events, TWatchHandler Handler) override;
  void Post(TMessage Message) override;
  TTimerId StartTimer(std::chrono::milliseconds Delay, TMessage Handler) override;
  void StopTimer(TTimerId Id) override;
  void ProcessEvents(std::chrono::milliseconds MaxWait) override;

 private:
  struct TWatch {
    unsigned Events = 0;
    TWatchHandler Handler;
    QSocketNotifier* Read = nullptr;
    QSocketNotifier* Write = nullptr;
  };
  void Ready(int Fd, const std::shared_ptr<TWatch>& Watch);
  static void Retire(TWatch& Watch);

  std::unordered_map<int, std::shared_ptr<TWatch>> Watches;
  std::map<TTimerId, QTimer*> Timers;
  TTimerId NextTimer = 1;
};

}  // namespace tolvar
