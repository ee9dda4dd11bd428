// The program's start and the application-wide pieces: command line, the
// uninstall entry, the standard error display and closing on SIGTERM/SIGINT.
#include <QMessageBox>
#include <csignal>

#include "AppTestSupport.h"
#include "app/CommandLine.h"
#include "app/ErrorDisplay.h"
#include "app/SignalClose.h"
#include "util/Dialogs.h"
#include "util/MiscFunctions.h"
#include "util/Registry.h"

using namespace tolvar;
using tolvar::apptest::TEnv;

namespace {

// A receiver whose event handler fails, like a component raising inside a
// timer or a queued call.
class TFailingObject : public QObject {
 public:
  bool event(QEvent* Event) override {
    if (Event->type() == QEvent::User) throw std::runtime_error("Write error");
    return QObject::event(Event);
  }
};

}  // namespace

class StartupTest : public QObject {
  Q_OBJECT
  fixtures::TTempDir Dir;
  std::unique_ptr<TEnv> Registry;

 private slots:
  void init() {
    Registry = std::make_unique<TEnv>("TOLVAR_REGISTRY", Dir / "registry.ini");
    TRegistryStore().DeleteKey(UninstallKey);
  }

  void switchesEndTheRunInAnyCase() {
    int Uninstalls = 0;
    auto Uninstall = [&] { ++Uninstalls; };
    QVERIFY(HandleCommandLine({"/RESET"}, Uninstall));
    QVERIFY(HandleCommandLine({"--reset"}, Uninstall));
    QVERIFY(!HandleCommandLine({}, Uninstall));
    QVERIFY(!HandleCommandLine({"--screenshot", "x.png"}, Uninstall));
    // Only the first argument counts.
    QVERIFY(!HandleCommandLine({"/other", "/reset"}, Uninstall));
    QCOMPARE(Uninstalls, 0);

    TScriptedDialogs Dialogs;
    Dialogs.YesNoAnswers = {false, true, true};
    QVERIFY(HandleCommandLine({"/Uninstall"}, Uninstall));
    QCOMPARE(Uninstalls, 0);
    QVERIFY(HandleCommandLine({"/uninstall", "ignored"}, Uninstall));
    QVERIFY(HandleCommandLine({"--UNINSTALL"}, Uninstall));
    QCOMPARE(Uninstalls, 2);
    QCOMPARE(Dialogs.Shown, std::vector<std::string>(3, "Are you sure to remove Tolvar?"));
  }

  void uninstallEntryIsWrittenOnceAndThenLeftAlone() {
    HandleCommandLine({"/reset"}, nullptr);
    TRegistryStore Store;
    QCOMPARE(Store.ReadString(UninstallKey, "DisplayName"), std::string("Tolvar"));
    QCOMPARE(Store.ReadString(UninstallKey, "UninstallString"), ProgramPath() + " /uninstall");
    Store.WriteString(UninstallKey, "UninstallString", "elsewhere /uninstall");
    WriteUninstallEntry();
    QCOMPARE(Store.ReadString(UninstallKey, "UninstallString"),
             std::string("elsewhere /uninstall"));
    // A store that cannot be written is no reason to stop.
    TEnv Unwritable("TOLVAR_REGISTRY", Dir / "missing/folder/registry.ini");
    WriteUninstallEntry();
  }

  void anExceptionLeavingAHandlerIsShownAndTheProgramGoesOn() {
    TScriptedDialogs Dialogs;
    TFailingObject Failing;
    QEvent Event(QEvent::User);
    QCoreApplication::sendEvent(&Failing, &Event);
    QCoreApplication::postEvent(&Failing, new QEvent(QEvent::User));
    QCoreApplication::processEvents();
    auto Slot = Guarded([] { throw std::runtime_error("Initialization failure"); });
    Slot(true, 3);
    Guard([] { throw 42; });
    QCOMPARE(Dialogs.Shown, (std::vector<std::string>{"Write error", "Write error",
                                                      "Initialization failure", "Unknown error"}));
  }

  void terminationSignalsCloseTheWindow() {
    for (int Signal : {SIGTERM, SIGINT}) {
      QWidget Window;
      new TSignalClose(&Window);
      Window.show();
      QVERIFY(QTest::qWaitForWindowExposed(&Window));
      raise(Signal);
      QTRY_VERIFY(!Window.isVisible());
    }
    // Also while a dialog waits for an answer.
    QWidget Window;
    new TSignalClose(&Window);
    Window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&Window));
    QMessageBox Box(QMessageBox::Question, "Tolvar", "Question?",
                    QMessageBox::Yes | QMessageBox::No, &Window);
    QTimer::singleShot(50, [] { raise(SIGTERM); });
    QCOMPARE(Box.exec(), int(QDialog::Rejected));
    QTRY_VERIFY(!Window.isVisible());
  }
};

TOLVAR_APP_TEST_MAIN(StartupTest)
#include "StartupTest.moc"
