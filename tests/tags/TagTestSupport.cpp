#include "TagTestSupport.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <stdexcept>

#include <gtest/gtest.h>

#include "TestSupport.h"

extern char** environ;

namespace tolvar::tagtest {

TRun Run(const std::vector<std::string>& Argv) {
  int OutPipe[2], ErrPipe[2];
  if (pipe(OutPipe) != 0 || pipe(ErrPipe) != 0) throw std::runtime_error("pipe failed");
  posix_spawn_file_actions_t Actions;
  posix_spawn_file_actions_init(&Actions);
  posix_spawn_file_actions_addopen(&Actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&Actions, OutPipe[1], 1);
  posix_spawn_file_actions_adddup2(&Actions, ErrPipe[1], 2);
  for (int Fd : {OutPipe[0], OutPipe[1], ErrPipe[0], ErrPipe[1]})
    posix_spawn_file_actions_addclose(&Actions, Fd);
  std::vector<char*> Args;
  for (const std::string& A : Argv) Args.push_back(const_cast<char*>(A.c_str()));
  Args.push_back(nullptr);
  pid_t Pid;
  int Spawned = posix_spawn(&Pid, Args[0], &Actions, nullptr, Args.data(), environ);
  posix_spawn_file_actions_destroy(&Actions);
  close(OutPipe[1]);
  close(ErrPipe[1]);
  TRun Result;
  if (Spawned != 0) {
    close(OutPipe[0]);
    close(ErrPipe[0]);
    Result.Err = "cannot start " + Argv[0] + ": " + std::strerror(Spawned);
    return Result;
  }
  // Both pipes at once, so a chatty program never blocks on a full one.
  pollfd Fds[2] = {{OutPipe[0], POLLIN, 0}, {ErrPipe[0], POLLIN, 0}};
  std::string* Sinks[2] = {&Result.Out, &Result.Err};
  int Open = 2;
  char Buffer[65536];
  while (Open > 0) {
    if (poll(Fds, 2, -1) < 0) continue;
    for (int I = 0; I < 2; ++I) {
      if (Fds[I].fd < 0 || !(Fds[I].revents & (POLLIN | POLLHUP | POLLERR))) continue;
      ssize_t N = read(Fds[I].fd, Buffer, sizeof Buffer);
      if (N > 0) {
        Sinks[I]->append(Buffer, static_cast<size_t>(N));
      } else {
        close(Fds[I].fd);
        Fds[I].fd = -1;
        --Open;
      }
    }
  }
  int Status = 0;
  waitpid(Pid, &Status, 0);
  Result.Status = WIFEXITED(Status) ? WEXITSTATUS(Status) : -1;
  return Result;
}

TRun RunCli(const std::vector<std::string>& Args) {
  std::vector<std::string> Argv = {TOLVAR_CLI};
  Argv.insert(Argv.end(), Args.begin(), Args.end());
  return Run(Argv);
}

std::map<std::string, std::string> ReadTagsWithMutagen(const std::string& Path) {
  TRun R = Run({"/usr/bin/python3", READ_TAGS_SCRIPT, Path});
  EXPECT_EQ(R.Status, 0) << "mutagen could not read " << Path << ":\n" << R.Out << R.Err;
  std::map<std::string, std::string> Fields;
  size_t Start = 0;
  while (Start < R.Out.size()) {
    size_t End = R.Out.find('\n', Start);
    if (End == std::string::npos) End = R.Out.size();
    std::string Line = R.Out.substr(Start, End - Start);
    size_t Equals = Line.find('=');
    if (Equals != std::string::npos) Fields[Line.substr(0, Equals)] = Line.substr(Equals + 1);
    Start = End + 1;
  }
  return Fields;
}

void MakeMp3(const std::string& Path) {
  // One second of 440 Hz in 16-bit stereo at 44100 Hz, as a WAV file.
  const uint32_t Rate = 44100, Frames = Rate, DataSize = Frames * 4;
  std::string Wav;
  auto Put32 = [&Wav](uint32_t V) {
    for (int I = 0; I < 4; ++I) Wav += static_cast<char>(V >> (8 * I));
  };
  auto Put16 = [&Wav](uint16_t V) {
    Wav += static_cast<char>(V);
    Wav += static_cast<char>(V >> 8);
  };
  Wav += "RIFF";
  Put32(36 + DataSize);
  Wav += "WAVEfmt ";
  Put32(16);
  Put16(1);
  Put16(2);
  Put32(Rate);
  Put32(Rate * 4);
  Put16(4);
  Put16(16);
  Wav += "data";
  Put32(DataSize);
  for (uint32_t I = 0; I < Frames; ++I) {
    auto Sample = static_cast<int16_t>(8000 * std::sin(2 * M_PI * 440 * I / Rate));
    Put16(static_cast<uint16_t>(Sample));
    Put16(static_cast<uint16_t>(Sample));
  }
  fixtures::WriteFile(Path + ".wav", Wav);
  TRun R = Run({"/usr/bin/lame", "--quiet", "--noreplaygain", "-b", "128", Path + ".wav", Path});
  ASSERT_EQ(R.Status, 0) << "lame failed: " << R.Err;
  unlink((Path + ".wav").c_str());
}

std::string DecodeMp3(const std::string& Path) {
  TRun R = Run({"/usr/bin/mpg123", "-q", "-s", Path});
  return R.Status == 0 ? R.Out : std::string();
}

std::string TestAudio(size_t Size) {
  std::string Bytes(Size, '\0');
  for (size_t I = 0; I < Size; ++I) Bytes[I] = static_cast<char>(0x80 + I % 127);
  return Bytes;
}

TFileSizeLimit::TFileSizeLimit(size_t Bytes) {
  signal(SIGXFSZ, SIG_IGN);
  getrlimit(RLIMIT_FSIZE, &Saved);
  rlimit Limit = Saved;
  Limit.rlim_cur = Bytes;
  if (setrlimit(RLIMIT_FSIZE, &Limit) != 0) throw std::runtime_error("setrlimit failed");
}

TFileSizeLimit::~TFileSizeLimit() {
  setrlimit(RLIMIT_FSIZE, &Saved);
}

ino_t Inode(const std::string& Path) {
  struct stat Info;
  return stat(Path.c_str(), &Info) == 0 ? Info.st_ino : static_cast<ino_t>(-1);
}

int Mode(const std::string& Path) {
  struct stat Info;
  return stat(Path.c_str(), &Info) == 0 ? static_cast<int>(Info.st_mode & 07777) : -1;
}

}  // namespace tolvar::tagtest
