// The uninstaller's reading of install.txt: the input is the list, run
// against a program folder holding a few files, in a sandbox whose other
// files must survive whatever the list names.
#include <sys/stat.h>

#include <cstdlib>

#include "FuzzTarget.h"
#include "app/Uninstall.h"
#include "util/Dialogs.h"
#include "util/FileFunctions.h"

using namespace tolvar;

namespace {

// The sandbox: the program folder, the registry file and the desktop
// folders all lie inside it, with a file beside the program folder.
struct TSandbox {
  std::string Root = fuzz::ScratchDir() + "/sandbox";
  std::string App = Root + "/app";
  std::string Outside = Root + "/outside.txt";
  TSandbox() {
    mkdir(Root.c_str(), 0755);
    setenv("HOME", Root.c_str(), 1);
    setenv("XDG_CONFIG_HOME", (Root + "/config").c_str(), 1);
    setenv("XDG_DATA_HOME", (Root + "/data").c_str(), 1);
    setenv("TOLVAR_APPDIR", App.c_str(), 1);
    setenv("TOLVAR_REGISTRY", (Root + "/registry.ini").c_str(), 1);
    setenv("TOLVAR_OPEN_COMMAND", "true", 1);
  }
};

}  // namespace

TOLVAR_FUZZ_HARNESS(install_list) {
  static TSandbox Box;
  mkdir(Box.App.c_str(), 0755);
  mkdir((Box.App + "/sub").c_str(), 0755);
  fuzz::WriteBytes(Box.App + "/install.txt", Data, Size);
  fuzz::WriteBytes(Box.App + "/a.txt", Data, 0);
  fuzz::WriteBytes(Box.App + "/sub/b.txt", Data, 0);
  fuzz::WriteBytes(Box.Outside, Data, 0);
  {
    TScriptedDialogs Quiet;
    Uninstall();
  }
  struct stat Info;
  if (stat(Box.Outside.c_str(), &Info) != 0 || stat(Box.Root.c_str(), &Info) != 0) std::abort();
  DeleteDirTree(Box.App);
  return 0;
}
