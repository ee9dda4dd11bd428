#include "WavEncoder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>

#include "WavInput.h"
#include "tags/TagModel.h"
#include "util/FileFunctions.h"

namespace tolvar {

namespace {

constexpr size_t kChunkBytes = 1 << 16;

// A descriptor closed on every way out; an output file not finished is removed.
struct TFiles {
  int In = -1, Out = -1;
  std::string OutName;
  bool Keep = false;
  ~TFiles() {
    if (In >= 0) close(In);
    if (Out >= 0) close(Out);
    if (Out >= 0 && !Keep) unlink(OutName.c_str());
  }
};

[[noreturn]] void Fail(const std::string& What, const std::string& Name) {
  throw EEncoderError(What + " \"" + Name + "\". " + std::strerror(errno));
}

}  // namespace

void TWavEncoder::SetInputFiles(const std::vector<std::string>& Value) {
  FInputFiles = Value;
  FOutputFiles.clear();
  for (const std::string& Name : FInputFiles)
    FOutputFiles.push_back(StripExt(Name) + StreamFileExt(Settings.Format));
}

void TWavEncoder::EncodeFiles() {
  Canceled = false;
  for (size_t I = 0; I < FInputFiles.size(); ++I) {
    EncodeFile(I);
    if (Canceled) return;
  }
  if (OnEndProcess) OnEndProcess();
}

void TWavEncoder::EncodeFile(size_t Index) {
  // Copies: an event handler may replace the lists meanwhile.
  const std::string InName = FInputFiles[Index], OutName = FOutputFiles.at(Index);
  if (OnBeginFile) OnBeginFile(static_cast<uint16_t>(Index), InName);
  TFiles Files;
  Files.In = open(InName.c_str(), O_RDONLY | O_CLOEXEC);
  struct stat InInfo, OutInfo;
  if (Files.In < 0 || fstat(Files.In, &InInfo) != 0) Fail("Cannot open file", InName);
  if (S_ISDIR(InInfo.st_mode)) {
    errno = EISDIR;
    Fail("Cannot open file", InName);
  }
  if (stat(OutName.c_str(), &OutInfo) == 0 && OutInfo.st_ino == InInfo.st_ino &&
      OutInfo.st_dev == InInfo.st_dev)
    throw EEncoderError("Cannot create file \"" + OutName + "\". It is the input file");
  Files.Out = open(OutName.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (Files.Out < 0) Fail("Cannot create file", OutName);
  Files.OutName = OutName;
  // Only a regular file is ours to remove (never a device such as /dev/null).
  Files.Keep = fstat(Files.Out, &OutInfo) != 0 || !S_ISREG(OutInfo.st_mode);

  const uint64_t FileSize = static_cast<uint64_t>(InInfo.st_size);
  std::array<uint8_t, 44> Header{};
  uint64_t Start = 0, Size = FileSize;
  TPcmShape Shape;
  if (wav::ReadAt(Files.In, Header.data(), Header.size(), 0) &&
      std::memcmp(&Header[8], "WAVE", 4) == 0) {
    uint16_t BlockAlign = 0;
    uint32_t Rate = 0;
    if (!wav::FindWaveData(Files.In, FileSize, Header, Start, Size, BlockAlign, &Rate))
      throw EEncoderError("Read Error");
    if (BlockAlign == 2 || BlockAlign == 4) Shape.Channels = BlockAlign / 2;
    if (Rate >= 8000 && Rate <= 192000) Shape.SampleRate = static_cast<int>(Rate);
  }
  Shape.Frames = Size / (2 * static_cast<uint64_t>(Shape.Channels));

  const int Out = Files.Out;
  TEncodedOutput Output{
      [Out](const void* Bytes, size_t Count) { return WriteAll(Out, Bytes, Count) == Count; },
      [Out](uint64_t Offset) {
        return lseek(Out, static_cast<off_t>(Offset), SEEK_SET) == static_cast<off_t>(Offset);
      },
      [Out] { return static_cast<int64_t>(lseek(Out, 0, SEEK_CUR)); }};
  TTagModel Tags;
  Tags.Encoder = "Tolvar";
  auto Encoder = MakeStreamEncoder(Settings, Shape, Tags, std::move(Output));
  std::vector<uint8_t> Buffer(kChunkBytes);
  for (uint64_t Position = 0; Position < Size && !Canceled;) {
    const size_t N = static_cast<size_t>(std::min<uint64_t>(kChunkBytes, Size - Position));
    if (!wav::ReadAt(Files.In, Buffer.data(), N, Start + Position))
      throw EEncoderError("Read Error");
    if (!Encoder->Write(Buffer.data(), N)) throw EEncoderError(Encoder->Error());
    Position += N;
    if (OnProgress) OnProgress(static_cast<uint16_t>(Position * 100 / Size));
    if (ProcessMessages) ProcessMessages();
  }
  // Also after Cancel: the part ends properly.
  if (!Encoder->Finish()) throw EEncoderError(Encoder->Error());
  Encoder.reset();
  const int Closed = close(Files.Out);
  Files.Out = -1;
  if (Closed != 0) {
    unlink(OutName.c_str());
    throw EEncoderError("Write error");
  }
  if (Canceled) return;
  if (OnEndFile) OnEndFile(static_cast<uint16_t>(Index), OutName);
}

}  // namespace tolvar
