#include "FileFunctions.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "Dialogs.h"
#include "StringFunctions.h"

namespace tolvar {

namespace {

// Closes a directory stream on every path out.
class TDirStream {
 public:
  explicit TDirStream(const std::string& Path) : Dir(opendir(Path.empty() ? "." : Path.c_str())) {}
  ~TDirStream() {
    if (Dir) closedir(Dir);
  }
  TDirStream(const TDirStream&) = delete;
  TDirStream& operator=(const TDirStream&) = delete;
  explicit operator bool() const { return Dir != nullptr; }
  // Next name other than "." and ".."; empty at the end.
  std::string Next() {
    while (dirent* Entry = readdir(Dir)) {
      std::string Name = Entry->d_name;
      if (Name != "." && Name != "..") return Name;
    }
    return {};
  }

 private:
  DIR* Dir;
};

int Attributes(const std::string& Path, const std::string& Name, struct stat& Info) {
  int Attr = 0;
  if (lstat(Path.c_str(), &Info) != 0) return -1;
  if (S_ISDIR(Info.st_mode)) Attr |= faDirectory;
  if (!Name.empty() && Name[0] == '.') Attr |= faHidden;
  if (access(Path.c_str(), W_OK) != 0) Attr |= faReadOnly;
  if (!S_ISDIR(Info.st_mode) && !S_ISREG(Info.st_mode) && !S_ISLNK(Info.st_mode)) Attr |= faSysFile;
  return Attr;
}

std::string Join(const std::string& Folder, const std::string& Name) {
  if (Folder.empty()) return Name;
  return Folder.back() == '/' ? Folder + Name : Folder + "/" + Name;
}

std::string::size_type LastComponentStart(const std::string& FileName) {
  auto Slash = FileName.find_last_of('/');
  return Slash == std::string::npos ? 0 : Slash + 1;
}

}  // namespace

void ListFiles(std::vector<std::string>& List, const std::string& Root, const std::string& RelSub,
               bool Recurse, int AttrMask, const TFolderCallback& OnFolder,
               const std::vector<std::string>* Extensions, bool Timestamps) {
  TDirStream Dir(Join(Root, RelSub));
  if (!Dir) return;
  for (std::string Name = Dir.Next(); !Name.empty(); Name = Dir.Next()) {
    struct stat Info;
    int Attr = Attributes(Join(Join(Root, RelSub), Name), Name, Info);
    if (Attr < 0) continue;
    // Normal files always match; special kinds only when the mask asks for them.
    if ((Attr & (faHidden | faSysFile | faDirectory) & ~AttrMask) != 0) continue;
    if (Attr & faDirectory) {
      if (OnFolder) OnFolder(RelSub + Name);
      if (Recurse)
        ListFiles(List, Root, RelSub + Name + "/", Recurse, AttrMask, OnFolder, Extensions,
                  Timestamps);
      continue;
    }
    std::string Relative = RelSub + Name;
    if (Timestamps) Relative += "?" + std::to_string(static_cast<long long>(Info.st_mtime));
    if (Extensions) {
      std::string Ext = ExtNoDot(Name);
      bool Wanted = std::any_of(Extensions->begin(), Extensions->end(),
                                [&](const std::string& E) { return SameText(E, Ext); });
      if (!Wanted) continue;
    }
    List.push_back(std::move(Relative));
  }
}

void DeleteDirTree(const std::string& Folder) {
  std::vector<std::string> Names;
  {
    TDirStream Dir(Folder);
    if (!Dir) return;
    for (std::string Name = Dir.Next(); !Name.empty(); Name = Dir.Next()) Names.push_back(Name);
  }
  for (const std::string& Name : Names) {
    std::string Path = Join(Folder, Name);
    struct stat Info;
    int Attr = Attributes(Path, Name, Info);
    if (Attr == faDirectory) {
      DeleteDirTree(Path);
      continue;
    }
    while (unlink(Path.c_str()) != 0 && errno != ENOENT) {
      if (Dialogs().RetryIgnore("Cannot delete " + Path) == TRetryIgnore::Ignore) break;
    }
  }
  rmdir(Folder.c_str());
}

bool IsDirEmpty(const std::string& Folder) {
  TDirStream Dir(Folder);
  return !Dir || Dir.Next().empty();
}

std::string ExtNoDot(const std::string& FileName) {
  auto Start = LastComponentStart(FileName);
  auto Dot = FileName.find_last_of('.');
  if (Dot == std::string::npos || Dot < Start) return {};
  return LowerCase(FileName.substr(Dot + 1));
}

std::string StripExt(const std::string& FileName) {
  // Only the last component counts: "a.b/c" has no extension to strip.
  auto Start = LastComponentStart(FileName);
  auto Dot = FileName.find_last_of('.');
  if (Dot == std::string::npos || Dot < Start) return FileName;
  return FileName.substr(0, Dot);
}

bool ReadFileText(const std::string& Path, std::string& Contents) {
  std::ifstream In(Path, std::ios::binary);
  if (!In) return false;
  std::ostringstream Buffer;
  Buffer << In.rdbuf();
  Contents = Buffer.str();
  return !In.bad();
}

size_t WriteAll(int Fd, const void* Bytes, size_t Count) {
  auto* P = static_cast<const uint8_t*>(Bytes);
  size_t Done = 0;
  while (Done < Count) {
    ssize_t N = write(Fd, P + Done, Count - Done);
    if (N < 0 && errno == EINTR) continue;
    if (N <= 0) break;
    Done += static_cast<size_t>(N);
  }
  return Done;
}

bool WriteFileAtomic(const std::string& Path, const std::string& Contents) {
  struct stat Old;
  const bool Exists = stat(Path.c_str(), &Old) == 0;
  if (Exists && !S_ISREG(Old.st_mode)) {
    // A device or pipe can only be written to: a file renamed over it would
    // take its place (and /dev/full would seem to take the data).
    if (S_ISDIR(Old.st_mode)) return false;
    int Fd = open(Path.c_str(), O_WRONLY | O_CLOEXEC);
    if (Fd < 0) return false;
    bool Ok = WriteAll(Fd, Contents.data(), Contents.size()) == Contents.size();
    return (close(Fd) == 0) && Ok;
  }
  std::string Temp = Path + ".tmp-XXXXXX";
  int Fd = mkstemp(Temp.data());
  if (Fd < 0) return false;
  bool Ok = WriteAll(Fd, Contents.data(), Contents.size()) == Contents.size();
  // Keep the permissions of the file we replace; a new file gets the usual 0644.
  fchmod(Fd, Exists ? (Old.st_mode & 07777) : 0644);
  Ok = Ok && fsync(Fd) == 0;
  Ok = (close(Fd) == 0) && Ok;
  if (Ok) Ok = rename(Temp.c_str(), Path.c_str()) == 0;
  if (!Ok) unlink(Temp.c_str());
  return Ok;
}

}  // namespace tolvar
