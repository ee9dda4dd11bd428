#pragma once
// Helpers of the tag tests: running programs (tolvar-cli, the mutagen reader,
// lame, mpg123) and looking at files.
#include <sys/resource.h>
#include <sys/types.h>

#include <map>
#include <string>
#include <vector>

namespace tolvar::tagtest {

struct TRun {
  int Status = -1;  // exit status, or -1 when the program did not exit normally
  std::string Out, Err;
};

// Runs Argv[0] with the arguments, standard input empty, and collects both outputs.
TRun Run(const std::vector<std::string>& Argv);

// tolvar-cli with the arguments.
TRun RunCli(const std::vector<std::string>& Args);

// The tags of Path as mutagen reads them (tests/tags/read_tags.py): one entry per
// "key=value" line. Fails the current test when the reader cannot run.
std::map<std::string, std::string> ReadTagsWithMutagen(const std::string& Path);

// A real MP3 file of one second of a tone, made with the lame command.
void MakeMp3(const std::string& Path);
// The file's audio decoded by mpg123 as raw samples; empty when it fails.
std::string DecodeMp3(const std::string& Path);

// Size bytes that stand for a file's audio: no zero byte, no "TAG" or "ID3".
std::string TestAudio(size_t Size);

// While it lives, files of this process cannot grow past Bytes (a stand-in for
// a full disk: writes past it fail with EFBIG instead of a signal).
class TFileSizeLimit {
 public:
  explicit TFileSizeLimit(size_t Bytes);
  ~TFileSizeLimit();
  TFileSizeLimit(const TFileSizeLimit&) = delete;
  TFileSizeLimit& operator=(const TFileSizeLimit&) = delete;

 private:
  rlimit Saved{};
};

// The file's inode (changes when the file is rebuilt), -1 when missing.
ino_t Inode(const std::string& Path);
// The file's permission bits, -1 when missing.
int Mode(const std::string& Path);

}  // namespace tolvar::tagtest
