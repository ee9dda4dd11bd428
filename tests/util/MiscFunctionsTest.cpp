#include "util/MiscFunctions.h"

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "util/Dialogs.h"
#include "util/Registry.h"

using namespace tolvar;
using tolvar::fixtures::FileExists;
using tolvar::fixtures::ReadFile;
using tolvar::fixtures::TTempDir;
using tolvar::fixtures::WriteFile;

namespace {
// Sets an environment variable for one test and puts the old value back.
class TEnv {
 public:
  TEnv(const char* Name, const std::string& Value) : Name(Name) {
    if (const char* Old = std::getenv(Name)) Saved = Old, HadValue = true;
    setenv(Name, Value.c_str(), 1);
  }
  ~TEnv() { HadValue ? setenv(Name, Saved.c_str(), 1) : unsetenv(Name); }

 private:
  const char* Name;
  std::string Saved;
  bool HadValue = false;
};
}  // namespace

TEST(Registry, KeysAndValuesPersistAndDeleteWithTheirSubkeys) {
  TTempDir Dir;
  TEnv Registry("TOLVAR_REGISTRY", Dir / "registry.ini");
  const std::string Uninstall = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tolvar";
  {
    TRegistryStore Store;
    EXPECT_FALSE(Store.KeyExists(Uninstall));
    EXPECT_EQ(Store.ReadString(Uninstall, "DisplayName"), "");
    ASSERT_TRUE(Store.WriteString(Uninstall, "DisplayName", "Tolvar"));
    ASSERT_TRUE(Store.WriteString(Uninstall, "UninstallString", "/opt/tolvar/tolvar --uninstall"));
    ASSERT_TRUE(Store.WriteString(Uninstall + "\\Sub", "X", "1"));
    ASSERT_TRUE(Store.WriteString("Software\\Other", "Y", "2"));
  }
  TRegistryStore Store;  // a new store reads the same file
  EXPECT_EQ(Store.ReadString(Uninstall, "displayname"), "Tolvar");
  EXPECT_EQ(Store.ValueNames(Uninstall),
            (std::vector<std::string>{"DisplayName", "UninstallString"}));
  EXPECT_TRUE(Store.DeleteValue(Uninstall, "DisplayName"));
  EXPECT_FALSE(Store.DeleteValue(Uninstall, "DisplayName"));
  EXPECT_TRUE(Store.DeleteKey(Uninstall));
  EXPECT_FALSE(Store.KeyExists(Uninstall));
  EXPECT_FALSE(Store.KeyExists(Uninstall + "\\Sub"));
  EXPECT_EQ(Store.ReadString("Software\\Other", "Y"), "2");
  EXPECT_FALSE(Store.DeleteKey(Uninstall));
}

TEST(ShellFolders, FollowXdgAndTheRegistryStore) {
  TTempDir Dir;
  TEnv Home("HOME", Dir.Path());
  TEnv Config("XDG_CONFIG_HOME", Dir / "config");
  TEnv Data("XDG_DATA_HOME", Dir / "data");
  TEnv Registry("TOLVAR_REGISTRY", Dir / "registry.ini");
  EXPECT_EQ(GetShellFolder("Desktop"), Dir / "Desktop");
  EXPECT_EQ(GetShellFolder("Programs"), Dir / "data/applications");

  mkdir((Dir / "config").c_str(), 0755);
  WriteFile(Dir / "config/user-dirs.dirs",
            "# written by xdg-user-dirs-update\n"
            "XDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n"
            "XDG_MUSIC_DIR=\"/srv/musik/\"\n");
  EXPECT_EQ(GetShellFolder("desktop"), Dir / "Schreibtisch");
  EXPECT_EQ(GetShellFolder("My Music"), "/srv/musik");

  EXPECT_EQ(GetShellFolder("Start Menu"), "");
  TRegistryStore().WriteString(
      "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", "Start Menu",
      "/srv/menu");
  EXPECT_EQ(GetShellFolder("Start Menu"), "/srv/menu");
}

TEST(MiscFunctions, ShellOpenHandsTheTargetToTheOpener) {
  TTempDir Dir;
  std::string Opener = Dir / "opener.sh";
  WriteFile(Opener, "#!/bin/sh\nprintf '%s' \"$1\" > \"" + Dir.Path() + "/opened.tmp\"\nmv \"" +
                        Dir.Path() + "/opened.tmp\" \"" + Dir.Path() + "/opened\"\n");
  chmod(Opener.c_str(), 0755);
  TEnv Command("TOLVAR_OPEN_COMMAND", Opener);
  ShellOpen("https://example.org/a b?c=\"d\"");
  // The opener runs in the background; give it a moment.
  for (int I = 0; I < 200 && !FileExists(Dir / "opened"); ++I)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_EQ(ReadFile(Dir / "opened"), "https://example.org/a b?c=\"d\"");
  ShellOpen("x");  // a missing opener is not reported; this only must not hang or crash
}

TEST(MiscFunctions, ConfirmYesNoAsksTheInstalledDialogs) {
  TScriptedDialogs Dialogs;
  Dialogs.YesNoAnswers = {true, false};
  EXPECT_TRUE(ConfirmYesNo("Uninstall?"));
  EXPECT_FALSE(ConfirmYesNo("Really?"));
  EXPECT_FALSE(ConfirmYesNo("Unscripted"));  // no answer left: No
  EXPECT_EQ(Dialogs.Shown, (std::vector<std::string>{"Uninstall?", "Really?", "Unscripted"}));
}

TEST(MiscFunctions, OnlyTheSystemFoldersBelongToThePackageManager) {
  EXPECT_TRUE(IsPackagePath("/usr/bin/tolvar"));
  EXPECT_TRUE(IsPackagePath("/usr/games/tolvar"));
  // The local administrator's folder, a look-alike and a user's own copy.
  EXPECT_FALSE(IsPackagePath("/usr/local/bin/tolvar"));
  EXPECT_FALSE(IsPackagePath("/usrlocal/tolvar"));
  EXPECT_FALSE(IsPackagePath("/home/me/usr/bin/tolvar"));
  EXPECT_FALSE(IsPackageInstall());  // this test program lives in the build folder
}

TEST(MiscFunctions, ProgramFolderAndSettingsFile) {
  TTempDir Dir;
  {
    TEnv App("TOLVAR_APPDIR", Dir / "app");
    EXPECT_EQ(AppDir(), Dir / "app/");
    EXPECT_TRUE(FileExists(Dir / "app"));
    EXPECT_EQ(SettingsFileName(), Dir / "app/util_test.ini");
    EXPECT_EQ(DefaultSaveDir(), Dir / "app/saved/");
  }
  EXPECT_TRUE(ForceDirectories(Dir / "a/b/c/"));
  EXPECT_TRUE(FileExists(Dir / "a/b/c"));
  WriteFile(Dir / "file", "");
  EXPECT_FALSE(ForceDirectories(Dir / "file/sub"));
}
