#pragma once
// The application object: every exception that leaves an event handler ends in
// the standard error display instead of terminating the program.
#include <QApplication>

namespace tolvar {

class TTolvarApplication : public QApplication {
  Q_OBJECT
 public:
  TTolvarApplication(int& Argc, char** Argv);
  bool notify(QObject* Receiver, QEvent* Event) override;
};

}  // namespace tolvar
