#include "app/CommandLine.h"

#include "util/MiscFunctions.h"
#include "util/Registry.h"
#include "util/StringFunctions.h"

namespace tolvar {

const char* const UninstallKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tolvar";

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
    if (ConfirmYesNo("Are you sure to remove Tolvar?") && Uninstall) Uninstall();
    return true;
  }
  return Switch == "/reset" || Switch == "--reset";
}

}  // namespace tolvar
