#include "app/TolvarApplication.h"

#include <QIcon>

#include "app/ErrorDisplay.h"

namespace tolvar {

TTolvarApplication::TTolvarApplication(int& Argc, char** Argv) : QApplication(Argc, Argv) {
  // The application title. The display name stays unset, so X11 window titles
  // are not suffixed with it.
  setApplicationName("Tolvar");
  // Ties the windows to the launcher org.tolvar.Tolvar.desktop and its icon.
  setDesktopFileName("org.tolvar.Tolvar");
  setWindowIcon(QIcon::fromTheme("org.tolvar.Tolvar"));
}

bool TTolvarApplication::notify(QObject* Receiver, QEvent* Event) {
  // The window guards its own handlers; this catches what other receivers
  // (timers, queued calls, socket notifiers) let through.
  try {
    return QApplication::notify(Receiver, Event);
  } catch (...) {
    ShowException(std::current_exception());
    return false;
  }
}

}  // namespace tolvar
