// The About window, the library-version message, and the uninstall in a
// temporary program folder with temporary desktop folders and registry.
#include <QLabel>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <filesystem>

#include "AppTestSupport.h"
#include "app/AboutUnit.h"
#include "app/CommandLine.h"
#include "app/Uninstall.h"
#include "ripper/CDRipIntf.h"
#include "util/Dialogs.h"
#include "util/MiscFunctions.h"
#include "util/Registry.h"

using namespace tolvar;
using namespace tolvar::apptest;
using fixtures::FileExists;
using fixtures::WriteFile;
namespace fs = std::filesystem;

namespace {

// A program folder, desktop folders and registry of their own.
struct TInstallEnv {
  fixtures::TTempDir Dir;
  TEnv Home{"HOME", Dir.Path()};
  TEnv Config{"XDG_CONFIG_HOME", Dir / "config"};
  TEnv Data{"XDG_DATA_HOME", Dir / "data"};
  TEnv App{"TOLVAR_APPDIR", Dir / "app/"};
  TEnv Registry{"TOLVAR_REGISTRY", Dir / "registry.ini"};
  TEnv Open{"TOLVAR_OPEN_COMMAND", "true"};
  std::string AppFile(const std::string& Name) const { return Dir / ("app/" + Name); }
};

void Put(const std::string& Path, const std::string& Text = "x") {
  fs::create_directories(fs::path(Path).parent_path());
  WriteFile(Path, Text);
}

std::string OwnName() {
  return fs::path(ProgramPath()).filename().string();
}

void Click(QWidget* Panel, QEvent::Type Type) {
  QMouseEvent Event(Type, QPointF(5, 5), Panel->mapToGlobal(QPointF(5, 5)), Qt::LeftButton,
                    Type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                    Qt::NoModifier);
  QCoreApplication::sendEvent(Panel, &Event);
}

}  // namespace

class TAboutUninstallTest : public QObject {
  Q_OBJECT
 private slots:
  void AboutWindow();
  void VersionMessage();
  void UninstallRemovesWhatIsListed();
  void UninstallSchedulesWhatResists();
  void InstallScriptThenUninstall();
};

void TAboutUninstallTest::AboutWindow() {
  TfrmAbout About;
  QCOMPARE(About.windowTitle(), QString("Tolvar 0.9 beta"));
  QCOMPARE(About.size(), QSize(219, 160));
  QVERIFY(About.windowFlags() & Qt::Tool);
  QVERIFY(About.lblTitle->text().contains(":: CD ripper and MP3 encoder"));
  const QString Memo = About.Memo1->toPlainText();
  QVERIFY(Memo.contains("GPL-3.0-or-later"));
  QVERIFY(
      Memo.endsWith("Libraries:\n  LAME encoding engine \n  libcdio and libcdio-paranoia\n"
                    "  Vorbis encoder (libvorbis)"));
  QVERIFY(About.Memo1->isReadOnly());

  About.show();
  Click(About.pnClose, QEvent::MouseButtonPress);
  QCOMPARE(About.pnClose->lineWidth(), 2);
  Click(About.pnClose, QEvent::MouseButtonRelease);
  QCOMPARE(About.pnClose->lineWidth(), 1);
  QVERIFY(!About.isVisible());
}

void TAboutUninstallTest::VersionMessage() {
  TWindowEnv Env;  // loads the CD library
  QVERIFY(CDRipReady());
  const int32_t V = CR_GetCDRipVersion();
  const std::string Loaded = LibraryVersionText(3, 100);
  QVERIFY(Loaded.rfind("CDRip3.DLL Ver " + std::to_string(V / 100) + "." + std::to_string(V % 100) +
                           ", Vorbis.DLL ",
                       0) == 0);
  QVERIFY(Loaded.ends_with(", LAME 3.100"));
  FreeCDRip();
  QVERIFY(LibraryVersionText(3, 100).rfind(", Vorbis.DLL ", 0) == 0);
}

void TAboutUninstallTest::UninstallRemovesWhatIsListed() {
  TInstallEnv Env;
  const std::string Desktop = Env.Dir / "Desktop/Tolvar.desktop";
  const std::string Programs = Env.Dir / "data/applications/";
  for (const std::string& File :
       {Desktop, Programs + "Tolvar.desktop", Programs + "Tolvar/x.desktop", Env.AppFile(OwnName()),
        Env.AppFile("a.txt"), Env.AppFile("Sub/b.txt"), Env.AppFile("Sub/Inner/c.txt"),
        Env.Dir / "outside.txt"})
    Put(File);
  // Folder lines after their files, outer before inner; lines reaching out
  // of the program folder are not the installation's.
  Put(Env.AppFile("install.txt"),
      OwnName() + "\r\na.txt\r\nSub\\b.txt\r\nSub/Inner/c.txt\r\n../outside.txt\r\n" +
          Env.Dir / "outside.txt" + "\r\nmissing.txt\r\ninstall.txt\r\nSub\\\r\nSub/Inner/\r\n");
  WriteUninstallEntry();
  QVERIFY(TRegistryStore().KeyExists(UninstallKey));

  TScriptedDialogs Dialogs;
  Dialogs.YesNoAnswers = {true};
  QVERIFY(HandleCommandLine({"/UNINSTALL"}, Uninstall));
  QCOMPARE(Dialogs.Shown,
           (std::vector<std::string>{
               "Are you sure to remove Tolvar?",
               "Uninstall complete\r\n\r\nYou need to reboot, before install this program again"}));
  QVERIFY(fs::is_empty(Env.Dir / "app"));
  QVERIFY(!FileExists(Desktop));
  QVERIFY(fs::is_empty(Programs));
  QVERIFY(FileExists(Env.Dir / "outside.txt"));
  TRegistryStore Registry;
  QVERIFY(!Registry.KeyExists(UninstallKey));
  QCOMPARE(Registry.ValueNames(RunOnceKey), std::vector<std::string>{"Delete Tolvar"});
  QCOMPARE(Registry.ReadString(RunOnceKey, "Delete Tolvar"), "command.com /c del " + ProgramPath());

  // A second run finds no list and removes nothing more.
  Dialogs.Shown.clear();
  Uninstall();
  QCOMPARE(Dialogs.Shown, std::vector<std::string>{"Can't find install.txt\r\n\r\nYou need to "
                                                   "delete the files manually"});
}

void TAboutUninstallTest::UninstallSchedulesWhatResists() {
  TInstallEnv Env;
  Put(Env.AppFile("Kept/user.txt"), "x");
  fs::create_directories(Env.AppFile("zeta"));
  fs::create_directories(Env.AppFile("Alpha"));
  // A folder named through "." cannot be removed by that name.
  Put(Env.AppFile("install.txt"), "Kept/\nzeta/./\nAlpha/./\n");
  TScriptedDialogs Dialogs;
  Uninstall();
  TRegistryStore Registry;
  QCOMPARE(Registry.ReadString(RunOnceKey, "Delete Tolvar file 0"),
           "command.com /c del " + Env.AppFile("Alpha/./"));
  QCOMPARE(Registry.ReadString(RunOnceKey, "Delete Tolvar file 1"),
           "command.com /c del " + Env.AppFile("zeta/./"));
  // A folder that still holds something is left without a command.
  QCOMPARE(Registry.ValueNames(RunOnceKey).size(), size_t(3));
  QVERIFY(FileExists(Env.AppFile("Kept/user.txt")));
}

void TAboutUninstallTest::InstallScriptThenUninstall() {
  TInstallEnv Env;
  int Exit = -1;
  fixtures::RunCommand("BUILD_DIR=" TOLVAR_BUILD_DIR " " TOLVAR_INSTALL_SCRIPT " " +
                           fixtures::ShellQuote(Env.Dir / "app") + " >/dev/null 2>&1",
                       &Exit);
  QCOMPARE(Exit, 0);
  QVERIFY(FileExists(Env.AppFile("tolvar")));
  QVERIFY(FileExists(Env.AppFile("libcdrip.so")));
  QVERIFY(FileExists(Env.AppFile("liblame_enc.so")));  // linked, found beside the program
  QVERIFY(FileExists(Env.Dir / "data/applications/Tolvar.desktop"));
  TScriptedDialogs Dialogs;
  Uninstall();
  QVERIFY(fs::is_empty(Env.Dir / "app"));
  QVERIFY(fs::is_empty(Env.Dir / "data/applications"));
}

TOLVAR_APP_TEST_MAIN(TAboutUninstallTest)
#include "AboutUninstallTest.moc"
