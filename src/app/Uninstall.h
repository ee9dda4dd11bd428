#pragma once
// Uninstall: removes the launchers, the files and folders that install.txt in
// the program folder lists, and the uninstall registry entry; what cannot be
// removed now is left to commands in the RunOnce key.
#include <string>
#include <vector>

namespace tolvar {

extern const char* const RunOnceKey;

// Whether an install.txt line may be removed: a path inside the program
// folder (not absolute, no ".." part, not empty). Backslashes count as "/".
bool SafeInstallLine(const std::string& Line);

void Uninstall();

}  // namespace tolvar
