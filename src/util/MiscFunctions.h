#pragma once
// Shell, desktop-folder and program-folder helpers.
#include <string>

namespace tolvar {

// Opens a web address, document or folder with the desktop's handler
// (xdg-open, or $TOLVAR_OPEN_COMMAND); the result is not checked.
void ShellOpen(const std::string& Target);

// A desktop folder by its shell name: "Desktop" (the XDG desktop folder),
// "Programs" ($XDG_DATA_HOME/applications), "My Music" (the XDG music folder);
// other names are looked up in the registry store's Shell Folders key. Empty
// when unknown.
std::string GetShellFolder(const std::string& FolderName);

// Asks a Yes/No question through the installed dialogs; true for Yes.
bool ConfirmYesNo(const std::string& Question);

std::string HomeDir();
std::string XdgConfigHome();  // $XDG_CONFIG_HOME or ~/.config
std::string XdgDataHome();    // $XDG_DATA_HOME or ~/.local/share
// A folder of ~/.config/user-dirs.dirs ("DESKTOP", "MUSIC"), or the English default.
std::string XdgUserDir(const std::string& Name);
// Tolvar's configuration folder, $XDG_CONFIG_HOME/tolvar/, created when missing.
std::string ConfigDir();

// The running program's path.
std::string ProgramPath();
// Where to load a run-time library of ours from: beside the program (a build
// tree, a folder of the install script), else the private library folder of
// an installed layout, PREFIX/lib/<multiarch>/tolvar for PREFIX/bin/program.
std::string PrivateLibraryPath(const std::string& Name);
// The program's folder with a trailing "/": $TOLVAR_APPDIR when set, else the
// program's own folder when writable, else ConfigDir() for an installed program.
std::string AppDir();
// Whether a program file lies where only the package manager installs: below
// /usr, but not in /usr/local.
bool IsPackagePath(const std::string& Program);
// True for the running program installed by the package manager.
bool IsPackageInstall();
// True when AppDir() is the program's own folder: not installed by the package
// manager (even when run by root) and in a writable folder.
bool IsPortableInstall();
// The settings file: the program's name with ".ini", in AppDir().
std::string SettingsFileName();
// Where rips go by default: AppDir() + "saved/", or the music folder + "Tolvar/"
// for an installed program.
std::string DefaultSaveDir();

// Creates a folder and its missing parents; true when it exists afterwards.
bool ForceDirectories(const std::string& Folder);

}  // namespace tolvar
