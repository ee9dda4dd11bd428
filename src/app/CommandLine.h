#pragma once
// The program's start: the uninstall entry and the command-line switches.
#include <functional>
#include <string>
#include <vector>

namespace tolvar {

// The registry key of Tolvar's uninstall entry.
extern const char* const UninstallKey;
// What "/uninstall" says, and all it does, for a program installed by the
// package manager.
extern const char* const PackageUninstallText;

// Makes sure the uninstall entry exists: an existing key is left as it is,
// otherwise it is created with "DisplayName" and "UninstallString". Failures
// are ignored.
void WriteUninstallEntry();

using TUninstallProc = std::function<void()>;

// WriteUninstallEntry, then the switches. Only the first argument (after the
// program name) counts, in any case: "/uninstall" or "--uninstall" asks for
// confirmation and runs Uninstall on Yes; "/reset" or "--reset" does nothing
// more. A program installed by the package manager only says so
// (PackageUninstallText) and removes nothing. Returns true when the run ends
// here, without the window.
bool HandleCommandLine(const std::vector<std::string>& Args, const TUninstallProc& Uninstall);

}  // namespace tolvar
