#include "MiscFunctions.h"

#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fstream>

#include "Dialogs.h"
#include "Registry.h"
#include "StringFunctions.h"

extern char** environ;

#ifndef TOLVAR_PRIVATE_LIBDIR
#define TOLVAR_PRIVATE_LIBDIR "lib/tolvar"
#endif

namespace tolvar {

namespace {

std::string Env(const char* Name) {
  const char* Value = std::getenv(Name);
  return Value ? Value : "";
}

std::string WithSlash(const std::string& Folder) {
  return (Folder.empty() || Folder.back() == '/') ? Folder : Folder + "/";
}

std::string FolderOf(const std::string& Path) {
  auto Slash = Path.find_last_of('/');
  return Slash == std::string::npos ? "./" : Path.substr(0, Slash + 1);
}

bool IsWritableDir(const std::string& Folder) {
  struct stat Info;
  return stat(Folder.c_str(), &Info) == 0 && S_ISDIR(Info.st_mode) &&
         access(Folder.c_str(), W_OK) == 0;
}

}  // namespace

void ShellOpen(const std::string& Target) {
  std::string Command = Env("TOLVAR_OPEN_COMMAND");
  if (Command.empty()) Command = "xdg-open";
  // The shell starts the opener in the background and returns at once, so we
  // neither wait for the browser nor leave a zombie behind.
  std::string Script = "\"$0\" \"$1\" >/dev/null 2>&1 </dev/null &";
  const char* Argv[] = {"sh", "-c", Script.c_str(), Command.c_str(), Target.c_str(), nullptr};
  pid_t Pid;
  if (posix_spawnp(&Pid, "sh", nullptr, nullptr, const_cast<char**>(Argv), environ) == 0) {
    while (waitpid(Pid, nullptr, 0) < 0 && errno == EINTR) {
    }
  }
}

std::string HomeDir() {
  std::string Home = Env("HOME");
  return Home.empty() ? "/" : ExcludeTrailingSlash(Home);
}

std::string XdgConfigHome() {
  std::string Dir = Env("XDG_CONFIG_HOME");
  return Dir.empty() ? HomeDir() + "/.config" : ExcludeTrailingSlash(Dir);
}

std::string XdgDataHome() {
  std::string Dir = Env("XDG_DATA_HOME");
  return Dir.empty() ? HomeDir() + "/.local/share" : ExcludeTrailingSlash(Dir);
}

std::string XdgUserDir(const std::string& Name) {
  std::string Fallback = Name == "DESKTOP" ? "Desktop" : Name == "MUSIC" ? "Music" : Name;
  std::ifstream In(XdgConfigHome() + "/user-dirs.dirs");
  std::string Line;
  const std::string Key = "XDG_" + Name + "_DIR=";
  while (std::getline(In, Line)) {
    if (Line.rfind(Key, 0) != 0) continue;
    std::string Value = Line.substr(Key.size());
    if (Value.size() >= 2 && Value.front() == '"' && Value.back() == '"')
      Value = Value.substr(1, Value.size() - 2);
    if (Value.rfind("$HOME", 0) == 0) Value = HomeDir() + Value.substr(5);
    if (!Value.empty()) return ExcludeTrailingSlash(Value);
  }
  return HomeDir() + "/" + Fallback;
}

std::string GetShellFolder(const std::string& FolderName) {
  if (SameText(FolderName, "Desktop")) return XdgUserDir("DESKTOP");
  if (SameText(FolderName, "Programs")) return XdgDataHome() + "/applications";
  if (SameText(FolderName, "My Music")) return XdgUserDir("MUSIC");
  return TRegistryStore().ReadString(
      "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", FolderName);
}

bool ConfirmYesNo(const std::string& Question) {
  return Dialogs().YesNo(Question);
}

std::string ConfigDir() {
  std::string Dir = XdgConfigHome() + "/tolvar/";
  ForceDirectories(Dir);
  return Dir;
}

std::string ProgramPath() {
  char Buffer[PATH_MAX];
  ssize_t Length = readlink("/proc/self/exe", Buffer, sizeof Buffer - 1);
  return Length > 0 ? std::string(Buffer, static_cast<size_t>(Length)) : std::string("tolvar");
}

std::string PrivateLibraryPath(const std::string& Name) {
  const std::string Folder = FolderOf(ProgramPath());
  if (access((Folder + Name).c_str(), F_OK) == 0) return Folder + Name;
  return Folder + "../" TOLVAR_PRIVATE_LIBDIR "/" + Name;
}

bool IsPackagePath(const std::string& Program) {
  return Program.rfind("/usr/", 0) == 0 && Program.rfind("/usr/local/", 0) != 0;
}

bool IsPackageInstall() {
  return IsPackagePath(ProgramPath());
}

bool IsPortableInstall() {
  return !IsPackageInstall() && IsWritableDir(FolderOf(ProgramPath()));
}

std::string AppDir() {
  std::string Override = Env("TOLVAR_APPDIR");
  if (!Override.empty()) {
    ForceDirectories(Override);
    return WithSlash(Override);
  }
  return IsPortableInstall() ? FolderOf(ProgramPath()) : ConfigDir();
}

std::string SettingsFileName() {
  std::string Name = ProgramPath().substr(FolderOf(ProgramPath()).size());
  auto Dot = Name.find_last_of('.');
  if (Dot != std::string::npos && Dot > 0) Name.resize(Dot);
  return AppDir() + Name + ".ini";
}

std::string DefaultSaveDir() {
  if (!Env("TOLVAR_APPDIR").empty() || IsPortableInstall()) return AppDir() + "saved/";
  return XdgUserDir("MUSIC") + "/Tolvar/";
}

bool ForceDirectories(const std::string& Folder) {
  std::string Path = ExcludeTrailingSlash(Folder);
  if (Path.empty()) return false;
  struct stat Info;
  if (stat(Path.c_str(), &Info) == 0) return S_ISDIR(Info.st_mode);
  auto Slash = Path.find_last_of('/');
  if (Slash != std::string::npos && Slash > 0 && !ForceDirectories(Path.substr(0, Slash)))
    return false;
  return mkdir(Path.c_str(), 0755) == 0 || errno == EEXIST;
}

}  // namespace tolvar
