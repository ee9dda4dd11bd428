#include "app/Uninstall.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <sstream>

#include "app/CommandLine.h"
#include "util/Dialogs.h"
#include "util/FileFunctions.h"
#include "util/MiscFunctions.h"
#include "util/Registry.h"
#include "util/StringFunctions.h"

namespace tolvar {

const char* const RunOnceKey = "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";

namespace {

constexpr const char* kShortcut = "Tolvar.desktop";
constexpr const char* kDeleteCommand = "command.com /c del ";

bool IsFolderLine(const std::string& Line) {
  return !Line.empty() && (Line.back() == '/' || Line.back() == '\\');
}

std::string Slashed(std::string Line) {
  std::replace(Line.begin(), Line.end(), '\\', '/');
  return Line;
}

bool IsFile(const std::string& Path) {
  struct stat Info;
  return lstat(Path.c_str(), &Info) == 0 && !S_ISDIR(Info.st_mode);
}

std::string BaseName(const std::string& Path) {
  const size_t Slash = Path.find_last_of('/');
  return Slash == std::string::npos ? Path : Path.substr(Slash + 1);
}

void Message(const std::string& Text) {
  Dialogs().MessageBox(Text, "Tolvar", TMsgKind::Information);
}

// The list as written by whatever installed the program: one path a line,
// CR LF or LF endings, blank lines ignored.
std::vector<std::string> InstallLines(const std::string& Text) {
  std::vector<std::string> Lines;
  std::istringstream Stream(Text);
  for (std::string Line; std::getline(Stream, Line);) {
    if (!Line.empty() && Line.back() == '\r') Line.pop_back();
    if (!Line.empty()) Lines.push_back(Line);
  }
  return Lines;
}

void RemoveShortcuts() {
  const std::string Desktop = GetShellFolder("Desktop");
  if (!Desktop.empty()) unlink((Desktop + "/" + kShortcut).c_str());
  const std::string Programs = GetShellFolder("Programs");
  if (Programs.empty()) return;
  DeleteDirTree(Programs + "/Tolvar");
  rmdir((Programs + "/Tolvar").c_str());
  unlink((Programs + "/" + kShortcut).c_str());
}

}  // namespace

bool SafeInstallLine(const std::string& Line) {
  const std::string Path = Slashed(Line);
  if (Path.empty() || Path.front() == '/' || Path.find(':') != std::string::npos) return false;
  std::istringstream Parts(Path);
  for (std::string Part; std::getline(Parts, Part, '/');)
    if (Part == "..") return false;
  return true;
}

void Uninstall() {
  RemoveShortcuts();

  const std::string Dir = AppDir();
  std::string Text;
  if (!ReadFileText(Dir + "install.txt", Text)) {
    Message("Can't find install.txt\r\n\r\nYou need to delete the files manually");
    ShellOpen(Dir);
    return;
  }
  const std::vector<std::string> Lines = InstallLines(Text);
  const std::string Program = ProgramPath();
  const std::string OwnName = LowerCase(BaseName(Program));

  // A line reaching outside the program folder was not put there by the
  // installation; it is neither deleted nor scheduled.
  std::vector<std::string> Failed;
  bool ListsProgram = false;
  for (const std::string& Line : Lines) {
    if (IsFolderLine(Line) || !SafeInstallLine(Line)) continue;
    if (LowerCase(Slashed(Line)) == OwnName) {
      ListsProgram = true;
      continue;
    }
    const std::string Path = Dir + Slashed(Line);
    if (IsFile(Path) && unlink(Path.c_str()) != 0) Failed.push_back(Line);
  }
  // Last line first: inner folders are listed after the folders holding them.
  for (auto Line = Lines.rbegin(); Line != Lines.rend(); ++Line) {
    if (!IsFolderLine(*Line) || !SafeInstallLine(*Line)) continue;
    const std::string Folder = Dir + ExcludeTrailingSlash(Slashed(*Line));
    // A folder that is already gone needs no command.
    if (IsDirEmpty(Folder) && rmdir(Folder.c_str()) != 0 && errno != ENOENT)
      Failed.push_back(*Line);
  }
  std::sort(Failed.begin(), Failed.end(),
            [](const std::string& A, const std::string& B) { return LowerCase(A) < LowerCase(B); });

  TRegistryStore Registry;
  Registry.WriteString(RunOnceKey, "Delete Tolvar", kDeleteCommand + Program);
  for (size_t N = 0; N < Failed.size(); ++N)
    Registry.WriteString(RunOnceKey, "Delete Tolvar file " + std::to_string(N),
                         kDeleteCommand + Dir + Failed[N]);
  Registry.DeleteKey(UninstallKey);

  // Nothing here runs the RunOnce commands, and a running program may be
  // unlinked on this system: the program file goes last, now.
  if (ListsProgram) unlink((Dir + BaseName(Program)).c_str());

  Message("Uninstall complete\r\n\r\nYou need to reboot, before install this program again");
}

}  // namespace tolvar
