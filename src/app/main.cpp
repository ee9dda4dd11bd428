// tolvar: the main program, a Qt window over the ripper and the encoders.
#include <QTimer>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "app/MainUnit.h"
#include "app/QtDialogs.h"
#include "app/SignalClose.h"
#include "app/TolvarApplication.h"
#include "platform/cdrip/CdDrives.h"
#include "ripper/CDRipIntf.h"

#ifndef TOLVAR_SAMPLE_DISC
#define TOLVAR_SAMPLE_DISC ""
#endif

using namespace tolvar;

namespace {

// A hidden option for checks and documentation: "--screenshot FILE" saves the
// window as an image once it is drawn, then closes it.
QString ScreenshotFile(const std::vector<std::string>& Args) {
  for (size_t I = 0; I + 1 < Args.size(); ++I)
    if (Args[I] == "--screenshot") return QString::fromStdString(Args[I + 1]);
  return {};
}

}  // namespace

int main(int argc, char** argv) {
  TTolvarApplication App(argc, argv);
  TQtDialogs QtDialogs;
  TDialogs* Previous = SetDialogs(&QtDialogs);
  std::vector<std::string> Args;
  for (const QString& Arg : App.arguments().mid(1)) Args.push_back(Arg.toStdString());

  int Result = 0;
  if (!HandleCommandLine(Args, TUninstallProc())) {
    // With no drive at all, the bundled sample disc stands in.
    cdrip::AddSampleDiscWhenNoDrive(TOLVAR_SAMPLE_DISC);
    // The CD library is loaded once and stays loaded until the end.
    LoadCDRip();
    TfrmTolvar Form;
    new TSignalClose(&Form);
    Form.show();
    const QString Screenshot = ScreenshotFile(Args);
    if (!Screenshot.isEmpty()) {
      QTimer::singleShot(500, &Form, [&Form, Screenshot] {
        Form.grab().save(Screenshot);
        Form.close();
      });
    }
    Result = App.exec();
  }
  FreeCDRip();
  SetDialogs(Previous);
  return Result;
}
