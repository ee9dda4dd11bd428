#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "FuzzTarget.h"
#include "util/FileFunctions.h"

namespace tolvar::fuzz {

namespace {

struct TScratch {
  std::string Path;
  TScratch() {
    const char* Tmp = std::getenv("TMPDIR");
    std::string Template = std::string(Tmp && *Tmp ? Tmp : "/tmp") + "/tolvar-fuzz-XXXXXX";
    if (!mkdtemp(Template.data())) {
      std::perror("mkdtemp");
      std::abort();
    }
    Path = Template;
  }
  ~TScratch() { DeleteDirTree(Path); }
};

}  // namespace

const std::string& ScratchDir() {
  static TScratch Scratch;
  return Scratch.Path;
}

void WriteBytes(const std::string& Path, const uint8_t* Data, size_t Size) {
  int Fd = open(Path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  bool Written = Fd >= 0;
  for (size_t Done = 0; Written && Done < Size;) {
    ssize_t N = write(Fd, Data + Done, Size - Done);
    Written = N > 0;
    if (Written) Done += static_cast<size_t>(N);
  }
  if (Fd >= 0 && close(Fd) != 0) Written = false;
  if (!Written) {
    std::perror(Path.c_str());
    std::abort();
  }
}

}  // namespace tolvar::fuzz
