#include "app/SignalClose.h"

#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <QDialog>
#include <QSocketNotifier>
#include <QWidget>
#include <csignal>

namespace tolvar {

namespace {

volatile sig_atomic_t WriteFd = -1;
struct sigaction OldTerm, OldInt;

void OnSignal(int) {
  const int Fd = WriteFd;
  if (Fd < 0) return;
  const char Byte = 1;
  // Nothing useful can be done about a full pipe: a close is already pending.
  [[maybe_unused]] ssize_t Written = write(Fd, &Byte, 1);
}

}  // namespace

TSignalClose::TSignalClose(QWidget* Window) : QObject(Window), FWindow(Window) {
  if (pipe2(FPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
  FNotifier = new QSocketNotifier(FPipe[0], QSocketNotifier::Read, this);
  connect(FNotifier, &QSocketNotifier::activated, this, &TSignalClose::Activated);
  WriteFd = FPipe[1];
  struct sigaction Action = {};
  Action.sa_handler = OnSignal;
  sigemptyset(&Action.sa_mask);
  Action.sa_flags = SA_RESTART;
  sigaction(SIGTERM, &Action, &OldTerm);
  sigaction(SIGINT, &Action, &OldInt);
}

TSignalClose::~TSignalClose() {
  if (FPipe[0] < 0) return;
  sigaction(SIGTERM, &OldTerm, nullptr);
  sigaction(SIGINT, &OldInt, nullptr);
  WriteFd = -1;
  close(FPipe[0]);
  close(FPipe[1]);
}

void TSignalClose::Activated() {
  char Buffer[64];
  while (read(FPipe[0], Buffer, sizeof Buffer) > 0) {
  }
  // An open dialog would keep the program alive after the window closed:
  // it is answered with Cancel first.
  for (QWidget* Top : QApplication::topLevelWidgets())
    if (auto* Dialog = qobject_cast<QDialog*>(Top); Dialog && Dialog->isVisible()) Dialog->reject();
  FWindow->close();
}

}  // namespace tolvar
