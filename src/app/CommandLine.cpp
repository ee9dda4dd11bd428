#include "app/CommandLine.h"

#include <iostream>

#include "util/Dialogs.h"
#include "util/MiscFunctions.h"
#include "util/Registry.h"
#include "util/StringFunctions.h"

namespace tolvar {

const char* const UninstallKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tolvar";
const char* const PackageUninstallText =
    "Tolvar was installed by the package manager; remove it with your package manager.";

void WriteUninstallEntry() {
  TRegistryStore Registry;
  if (Registry.KeyExists(UninstallKey)) return;
  Registry.WriteString(UninstallKey, "DisplayName", "Tolvar");
  Registry.WriteString(UninstallKey, "UninstallString", ProgramPath() + " /uninstall");
}

bool HandleCommandLine(const std::vector<std::string>& Args, const TUninstallProc& Uninstall) {
  WriteUninstallEntry();
  if (Args.empty()) return false;
  const std::string Switch = LowerCase(Args.front());
  if (Switch == "/uninstall" || Switch == "--uninstall") {
    // The package manager owns those files and keeps its own list of them;
    // deleting them behind its back would leave it with a broken record.
    if (IsPackageInstall()) {
      std::cerr << PackageUninstallText << '\n';
      Dialogs().MessageBox(PackageUninstallText, "Tolvar", TMsgKind::Information);
      return true;
    }
    if (ConfirmYesNo("Are you sure to remove Tolvar?") && Uninstall) Uninstall();
    return true;
  }
  return Switch == "/reset" || Switch == "--reset";
}

}  // namespace tolvar
