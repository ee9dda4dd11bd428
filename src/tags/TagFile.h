#pragma once
// File steps the two tag units share: a descriptor that closes itself, whole
// reads and writes, and clearing a file's read-only mark. Internal to src/tags.
#include <sys/types.h>

#include <cstddef>
#include <string>

namespace tolvar::tagfile {

// A POSIX file descriptor, closed on every path out.
class TFd {
 public:
  TFd() = default;
  explicit TFd(int Fd) : Fd(Fd) {}
  ~TFd() { Close(); }
  TFd(const TFd&) = delete;
  TFd& operator=(const TFd&) = delete;
  TFd(TFd&& Other) noexcept : Fd(Other.Fd) { Other.Fd = -1; }
  TFd& operator=(TFd&& Other) noexcept {
    if (this != &Other) {
      Close();
      Fd = Other.Fd;
      Other.Fd = -1;
    }
    return *this;
  }
  int Get() const { return Fd; }
  explicit operator bool() const { return Fd >= 0; }
  // Closes now; false when close() reports an error (a write that failed late).
  bool Close();

 private:
  int Fd = -1;
};

// Opens Path with Flags (O_CLOEXEC added); an invalid TFd when that fails.
// Only regular files are accepted: a folder or a device gives an invalid TFd.
TFd OpenFile(const std::string& Path, int Flags, mode_t Mode = 0666);

// Reads up to Count bytes, going on after short reads; the number read, or -1.
ssize_t ReadFull(int Fd, void* Buffer, size_t Count);
// Writes all Count bytes; false on any error.
bool WriteAll(int Fd, const void* Buffer, size_t Count);

// True when Path names a regular file (links followed).
bool IsRegularFile(const std::string& Path);

// Clears the file's read-only mark before a tag is written into it: on Linux
// the one attribute that stands in the way is a missing write permission, so
// this gives the owner write permission when it is missing.
// False when the file is missing or its permissions cannot be changed.
bool ClearAttributes(const std::string& Path);

}  // namespace tolvar::tagfile
