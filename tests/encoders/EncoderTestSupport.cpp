#include "EncoderTestSupport.h"

#include <dirent.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <sstream>

#include "TestSupport.h"

namespace tolvar::testing {

namespace {

void PutLe(std::string& Out, uint32_t Value, int Bytes) {
  for (int I = 0; I < Bytes; ++I) Out.push_back(static_cast<char>((Value >> (8 * I)) & 0xFF));
}

}  // namespace

std::string TestPcm(uint32_t Frames, int Channels, uint32_t Rate) {
  std::string Pcm;
  Pcm.reserve(static_cast<size_t>(Frames) * Channels * 2);
  uint32_t Noise = 12345;
  for (uint32_t F = 0; F < Frames; ++F) {
    double T = static_cast<double>(F) / Rate;
    for (int C = 0; C < Channels; ++C) {
      Noise = Noise * 1664525u + 1013904223u;
      double Hz = C == 0 ? 440.0 : 554.37;
      double V = 9000 * std::sin(2 * M_PI * Hz * T) + 4000 * std::sin(2 * M_PI * 3 * Hz * T) +
                 1500 * (static_cast<double>(Noise >> 16) / 65536.0 - 0.5);
      PutLe(Pcm, static_cast<uint16_t>(static_cast<int16_t>(std::lround(V))), 2);
    }
  }
  return Pcm;
}

std::string RiffChunk(const std::string& Id, const std::string& Body) {
  std::string Out = Id;
  PutLe(Out, static_cast<uint32_t>(Body.size()), 4);
  Out += Body;
  if (Body.size() % 2) Out.push_back('\0');
  return Out;
}

std::string WavBytes(const std::string& Pcm, int Channels, uint32_t Rate,
                     const std::string& ExtraChunks) {
  std::string Fmt;
  PutLe(Fmt, 1, 2);  // PCM
  PutLe(Fmt, static_cast<uint32_t>(Channels), 2);
  PutLe(Fmt, Rate, 4);
  PutLe(Fmt, Rate * 2 * Channels, 4);                  // bytes per second
  PutLe(Fmt, static_cast<uint32_t>(2 * Channels), 2);  // block align
  PutLe(Fmt, 16, 2);                                   // bits per sample
  std::string Body = "WAVE" + RiffChunk("fmt ", Fmt) + ExtraChunks + RiffChunk("data", Pcm);
  std::string Out = "RIFF";
  PutLe(Out, static_cast<uint32_t>(Body.size()), 4);
  return Out + Body;
}

std::string Quote(const std::string& Text) {
  std::string Out = "'";
  for (char C : Text) {
    if (C == '\'')
      Out += "'\\''";
    else
      Out += C;
  }
  return Out + "'";
}

int RunCommand(const std::string& Command, std::string* Out, std::string* Err) {
  char OutName[] = "/tmp/tolvar-cmd-out-XXXXXX";
  char ErrName[] = "/tmp/tolvar-cmd-err-XXXXXX";
  int OutFd = mkstemp(OutName), ErrFd = mkstemp(ErrName);
  close(OutFd);
  close(ErrFd);
  int Status =
      std::system((Command + " </dev/null >" + Quote(OutName) + " 2>" + Quote(ErrName)).c_str());
  if (Out) *Out = fixtures::ReadFile(OutName);
  if (Err) *Err = fixtures::ReadFile(ErrName);
  unlink(OutName);
  unlink(ErrName);
  return WIFEXITED(Status) ? WEXITSTATUS(Status) : 128 + WTERMSIG(Status);
}

TDecoded DecodeMp3(const std::string& Path) {
  TDecoded Result;
  // -s: raw samples on stdout; gapless decoding is mpg123's default.
  Result.Ok = RunCommand("mpg123 -q -s " + Quote(Path), &Result.Pcm, &Result.Messages) == 0;
  return Result;
}

TFrameWalk WalkFrames(const std::string& Bytes) {
  static const int kRatesMpeg1[3] = {44100, 48000, 32000};
  static const int kBitratesMpeg1[16] = {0,   32,  40,  48,  56,  64,  80,  96,
                                         112, 128, 160, 192, 224, 256, 320, 0};
  static const int kBitratesMpeg2[16] = {0,  8,  16, 24,  32,  40,  48,  56,
                                         64, 80, 96, 112, 128, 144, 160, 0};
  TFrameWalk Walk;
  const auto* B = reinterpret_cast<const uint8_t*>(Bytes.data());
  size_t Pos = 0;
  while (Pos + 4 <= Bytes.size()) {
    if (B[Pos] != 0xFF || (B[Pos + 1] & 0xE0) != 0xE0) return Walk;
    TFrameHeader H;
    int VersionBits = (B[Pos + 1] >> 3) & 3;
    if (VersionBits == 1) return Walk;
    H.Version = VersionBits == 3 ? 1 : VersionBits == 2 ? 2 : 25;
    H.Layer = 4 - ((B[Pos + 1] >> 1) & 3);
    H.Crc = (B[Pos + 1] & 1) == 0;
    int BitrateIndex = B[Pos + 2] >> 4, RateIndex = (B[Pos + 2] >> 2) & 3;
    if (H.Layer != 3 || RateIndex == 3 || BitrateIndex == 0 || BitrateIndex == 15) return Walk;
    H.Bitrate = H.Version == 1 ? kBitratesMpeg1[BitrateIndex] : kBitratesMpeg2[BitrateIndex];
    H.SampleRate = kRatesMpeg1[RateIndex] / (H.Version == 1 ? 1 : H.Version == 2 ? 2 : 4);
    bool Padding = (B[Pos + 2] >> 1) & 1;
    H.Private = B[Pos + 2] & 1;
    H.Mode = B[Pos + 3] >> 6;
    H.Copyright = (B[Pos + 3] >> 3) & 1;
    H.Original = (B[Pos + 3] >> 2) & 1;
    H.Offset = static_cast<uint32_t>(Pos);
    H.Length = static_cast<uint32_t>((H.Version == 1 ? 144 : 72) * H.Bitrate * 1000 / H.SampleRate +
                                     Padding);
    if (Pos + H.Length > Bytes.size()) {
      Walk.CutShort = true;
      return Walk;
    }
    Walk.Frames.push_back(H);
    Pos += H.Length;
  }
  Walk.Ok = Pos == Bytes.size();
  return Walk;
}

bool HasFilledVbrHeader(const std::string& Bytes, uint32_t& Frames) {
  // The tag sits after the side information, which depends on version and channels.
  for (const char* Id : {"Xing", "Info"}) {
    size_t At = Bytes.find(Id);
    if (At == std::string::npos || At > 64 || At + 12 > Bytes.size()) continue;
    const auto* P = reinterpret_cast<const uint8_t*>(Bytes.data() + At);
    uint32_t Flags = (uint32_t{P[4]} << 24) | (P[5] << 16) | (P[6] << 8) | P[7];
    if (!(Flags & 1)) return false;
    Frames = (uint32_t{P[8]} << 24) | (P[9] << 16) | (P[10] << 8) | P[11];
    return Frames > 0;
  }
  return false;
}

namespace {

int Entries(const char* Folder) {
  int Count = 0;
  if (DIR* D = opendir(Folder)) {
    while (dirent* E = readdir(D))
      if (E->d_name[0] != '.') ++Count;
    closedir(D);
  }
  return Count;
}

}  // namespace

int OpenDescriptors() {
  return Entries("/proc/self/fd");
}

int Threads() {
  return Entries("/proc/self/task");
}

std::string RunUnprivileged(const std::function<std::string()>& Body) {
  if (geteuid() != 0) return Body();
  int Pipe[2];
  if (pipe(Pipe) != 0) return "pipe failed";
  pid_t Child = fork();
  if (Child < 0) return "fork failed";
  if (Child == 0) {
    close(Pipe[0]);
    std::string Problem;
    if (setgid(65534) != 0 || setuid(65534) != 0)
      Problem = "cannot become nobody";
    else
      Problem = Body();
    if (!Problem.empty() && write(Pipe[1], Problem.data(), Problem.size()) < 0) _exit(3);
    _exit(Problem.empty() ? 0 : 1);
  }
  close(Pipe[1]);
  std::string Problem;
  char Buffer[512];
  ssize_t N;
  while ((N = read(Pipe[0], Buffer, sizeof Buffer)) > 0)
    Problem.append(Buffer, static_cast<size_t>(N));
  close(Pipe[0]);
  int Status = 0;
  waitpid(Child, &Status, 0);
  if (!WIFEXITED(Status)) return "the unprivileged run died";
  if (WEXITSTATUS(Status) != 0 && Problem.empty()) return "the unprivileged run failed";
  return Problem;
}

}  // namespace tolvar::testing
