#include "TagFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace tolvar::tagfile {

bool TFd::Close() {
  if (Fd < 0) return true;
  int Result = ::close(Fd);
  Fd = -1;
  return Result == 0;
}

TFd OpenFile(const std::string& Path, int Flags, mode_t Mode) {
  // Opening a FIFO would wait for a writer: look before opening.
  struct stat Before;
  if (stat(Path.c_str(), &Before) == 0 && !S_ISREG(Before.st_mode)) return TFd();
  int Fd;
  do {
    Fd = ::open(Path.c_str(), Flags | O_CLOEXEC, Mode);
  } while (Fd < 0 && errno == EINTR);
  TFd File(Fd);
  if (!File) return File;
  struct stat Info;
  if (fstat(File.Get(), &Info) != 0 || !S_ISREG(Info.st_mode)) return TFd();
  return File;
}

ssize_t ReadFull(int Fd, void* Buffer, size_t Count) {
  auto* Bytes = static_cast<char*>(Buffer);
  size_t Done = 0;
  while (Done < Count) {
    ssize_t N = ::read(Fd, Bytes + Done, Count - Done);
    if (N < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    if (N == 0) break;
    Done += static_cast<size_t>(N);
  }
  return static_cast<ssize_t>(Done);
}

bool WriteAll(int Fd, const void* Buffer, size_t Count) {
  const auto* Bytes = static_cast<const char*>(Buffer);
  while (Count > 0) {
    ssize_t N = ::write(Fd, Bytes, Count);
    if (N < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (N == 0) return false;
    Bytes += N;
    Count -= static_cast<size_t>(N);
  }
  return true;
}

bool IsRegularFile(const std::string& Path) {
  struct stat Info;
  return stat(Path.c_str(), &Info) == 0 && S_ISREG(Info.st_mode);
}

bool ClearAttributes(const std::string& Path) {
  struct stat Info;
  if (stat(Path.c_str(), &Info) != 0) return false;
  if (Info.st_mode & S_IWUSR) return true;
  return chmod(Path.c_str(), (Info.st_mode & 07777) | S_IWUSR) == 0;
}

}  // namespace tolvar::tagfile
