#pragma once
// SIGTERM and SIGINT close the window as its close button does, so a session
// that ends (or Ctrl+C in a terminal) stops a running rip and writes the
// settings file. The signal handler only writes to a pipe; open dialogs are
// cancelled and the window is closed from the event loop.
#include <QObject>

class QSocketNotifier;
class QWidget;

namespace tolvar {

class TSignalClose : public QObject {
  Q_OBJECT
 public:
  // One at a time: the signal handler knows a single pipe.
  explicit TSignalClose(QWidget* Window);
  ~TSignalClose() override;

 private:
  void Activated();
  QWidget* FWindow;
  int FPipe[2] = {-1, -1};
  QSocketNotifier* FNotifier = nullptr;
};

}  // namespace tolvar
