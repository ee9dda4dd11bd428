#include "RipFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "util/FileFunctions.h"

namespace tolvar {

namespace {

void PutLe(std::string& Bytes, uint32_t Value, int Size) {
  for (int I = 0; I < Size; ++I) Bytes += static_cast<char>(Value >> (8 * I) & 0xFF);
}

// RIFF sizes are 32-bit: a size beyond that is stated as the largest one.
constexpr uint64_t kMaxDataSize = 0xFFFFFFFFu - 36;

}  // namespace

std::string WavHeader(int Channels, int SampleRate, uint32_t DataSize) {
  const uint32_t Data = static_cast<uint32_t>(std::min<uint64_t>(DataSize, kMaxDataSize));
  const uint32_t BlockAlign = static_cast<uint32_t>(Channels) * 2;
  std::string H;
  H += "RIFF";
  PutLe(H, Data + 36, 4);
  H += "WAVEfmt ";
  PutLe(H, 16, 4);  // size of the fmt chunk
  PutLe(H, 1, 2);   // PCM
  PutLe(H, static_cast<uint32_t>(Channels), 2);
  PutLe(H, static_cast<uint32_t>(SampleRate), 4);
  PutLe(H, static_cast<uint32_t>(SampleRate) * BlockAlign, 4);  // byte rate
  PutLe(H, BlockAlign, 2);
  PutLe(H, 16, 2);  // bits per sample
  H += "data";
  PutLe(H, Data, 4);
  return H;
}

TRipFile::TRipFile(const std::string& Name) {
  Fd = open(Name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (Fd < 0) throw EFCreateError("Cannot create file \"" + Name + "\". " + std::strerror(errno));
}

TRipFile::~TRipFile() {
  if (Fd >= 0) close(Fd);
}

bool TRipFile::Write(const void* Bytes, size_t Count) {
  size_t Done = WriteAll(Fd, Bytes, Count);
  Written += Done;
  return Done == Count;
}

bool TRipFile::Seek(uint64_t Offset) {
  return lseek(Fd, static_cast<off_t>(Offset), SEEK_SET) == static_cast<off_t>(Offset);
}

int64_t TRipFile::Position() const {
  return lseek(Fd, 0, SEEK_CUR);
}

bool TRipFile::WriteWavHeader(int NewChannels, int NewSampleRate, uint32_t DataSize) {
  Channels = NewChannels;
  SampleRate = NewSampleRate;
  bool Ok = Write(WavHeader(Channels, SampleRate, DataSize).data(), kWavHeaderSize);
  HeaderBytes = static_cast<uint32_t>(std::min<uint64_t>(Written, kWavHeaderSize));
  return Ok;
}

bool TRipFile::Close() {
  if (Fd < 0) return true;
  bool Ok = true;
  // The header announced the whole range before the first chunk; a cancelled,
  // shortened or resampled rip differs, so it states what is there. Only a
  // regular file can be rewritten (not a pipe or a device).
  struct stat Info;
  if (HeaderBytes == kWavHeaderSize && fstat(Fd, &Info) == 0 && S_ISREG(Info.st_mode)) {
    std::string Header = WavHeader(
        Channels, SampleRate, static_cast<uint32_t>(std::min<uint64_t>(DataBytes(), kMaxDataSize)));
    Ok = pwrite(Fd, Header.data(), Header.size(), 0) == static_cast<ssize_t>(Header.size());
  }
  if (close(Fd) != 0) Ok = false;
  Fd = -1;
  return Ok;
}

}  // namespace tolvar
