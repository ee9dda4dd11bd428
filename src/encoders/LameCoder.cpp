#include "LameCoder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstring>

#include "WavInput.h"
#include "util/FileFunctions.h"

namespace tolvar {

namespace {

using wav::FindWaveData;
using wav::ReadAt;

// The texts of a file that cannot be opened or created, shown to the user as
// they stand: "Cannot open file "NAME". REASON".
std::string OpenError(const std::string& Name, const std::string& Reason) {
  return "Cannot open file \"" + Name + "\". " + Reason;
}
std::string CreateError(const std::string& Name, const std::string& Reason) {
  return "Cannot create file \"" + Name + "\". " + Reason;
}

bool WriteOut(int Fd, const uint8_t* Bytes, size_t Count) {
  return WriteAll(Fd, Bytes, Count) == Count;
}

// Closes a descriptor when it goes out of scope.
struct TFd {
  int Fd = -1;
  TFd() = default;
  TFd(const TFd&) = delete;
  TFd& operator=(const TFd&) = delete;
  ~TFd() { Close(); }
  bool Close() {
    if (Fd < 0) return true;
    int Result = close(Fd);
    Fd = -1;
    return Result == 0;
  }
};

}  // namespace

// ---------------------------------------------------------------------------
// TLameVersion

TLameVersion::TLameVersion() {
  beVersion(&Version);
}

void TLameVersion::Assign(const TLameVersion& Source) {
  Version.byDLLMajorVersion = Source.Version.byDLLMajorVersion;
  Version.byDLLMinorVersion = Source.Version.byDLLMinorVersion;
  Version.byMajorVersion = Source.Version.byMajorVersion;
  Version.byMinorVersion = Source.Version.byMinorVersion;
}

// ---------------------------------------------------------------------------
// TLameCoder

TLameCoder::TLameCoder() = default;

TLameCoder::~TLameCoder() {
  if (Stream != 0) CloseStream();
}

void TLameCoder::Assign(const TLameCoder& Source) {
  FSampleRate = Source.FSampleRate;
  FMode = Source.FMode;
  FBitrate = Source.FBitrate;
  FMaxBitrate = Source.FMaxBitrate;
  FQuality = Source.FQuality;
  FPrivate = Source.FPrivate;
  FCRC = Source.FCRC;
  FCopyright = Source.FCopyright;
  FOriginal = Source.FOriginal;
  FWriteVBRHeader = Source.FWriteVBRHeader;
  FEnableVBR = Source.FEnableVBR;
  FVBRQuality = Source.FVBRQuality;
}

void TLameCoder::SetMode(TLameMode Value) {
  if (static_cast<uint8_t>(Value) <= static_cast<uint8_t>(TLameMode::MONO)) FMode = Value;
}

void TLameCoder::SetEnableVBR(bool Value) {
  FEnableVBR = Value;
  FWriteVBRHeader = Value;
}

void TLameCoder::SetInputFiles(const std::vector<std::string>& Value) {
  FInputFiles = Value;
  FOutputFiles.clear();
  for (const std::string& Name : FInputFiles) FOutputFiles.push_back(StripExt(Name) + FDefaultExt);
}

uint32_t TLameCoder::InitStream() {
  std::memset(&Config, 0, sizeof Config);
  Config.dwConfig = BE_CONFIG_LAME;
  auto& L = Config.format.LHV1;
  L.dwStructVersion = CURRENT_STRUCT_VERSION;
  L.dwStructSize = CURRENT_STRUCT_SIZE;
  L.dwSampleRate = FSampleRate;
  L.dwReSampleRate = 0;
  L.nMode = static_cast<int32_t>(FMode);
  L.dwBitrate = FBitrate;
  L.dwMaxBitrate = FMaxBitrate;
  L.nPreset = static_cast<int32_t>(FQuality);
  L.dwMpegVersion = MPEG1;
  L.dwPsyModel = 0;
  L.dwEmphasis = 0;
  // LongBool: True is stored as -1.
  L.bPrivate = FPrivate ? -1 : 0;
  L.bCRC = FCRC ? -1 : 0;
  L.bCopyright = FCopyright ? -1 : 0;
  L.bOriginal = FOriginal ? -1 : 0;
  L.bWriteVBRHeader = FWriteVBRHeader ? -1 : 0;
  L.bEnableVBR = FEnableVBR ? -1 : 0;
  L.nVBRQuality = FVBRQuality;

  uint32_t Result = beInitStream(&Config, &Samples, &BufferSize, &Stream);
  if (Result == BE_ERR_SUCCESSFUL) OutBuffer.assign(BufferSize, 0);
  return Result;
}

uint32_t TLameCoder::EncodeChunk(const int16_t* Input, uint8_t* Output, uint32_t& Bytes) {
  return beEncodeChunk(Stream, Samples, Input, Output, &Bytes);
}

uint32_t TLameCoder::EncodeChunk(uint32_t Count, const int16_t* Input, uint8_t* Output,
                                 uint32_t& Bytes) {
  return beEncodeChunk(Stream, Count, Input, Output, &Bytes);
}

uint32_t TLameCoder::DeinitStream(uint8_t* Output, uint32_t& Bytes) {
  return beDeinitStream(Stream, Output, &Bytes);
}

uint32_t TLameCoder::WriteInfoTag(const std::string& FileName) {
  return beWriteInfoTag(Stream, FileName.c_str());
}

void TLameCoder::CloseStream() {
  OutBuffer.clear();
  OutBuffer.shrink_to_fit();
  beCloseStream(Stream);
  Stream = 0;
}

void TLameCoder::EncodeFiles() {
  Canceled = false;
  if (OnBeginProcess) OnBeginProcess(*this);
  for (size_t I = 0; I < FInputFiles.size(); ++I) {
    EncodeFile(I);
    if (Canceled) return;
  }
  if (OnEndProcess) OnEndProcess(*this);
}

void TLameCoder::EncodeFile(size_t Index) {
  // Copies: an event handler may replace the lists while this file is encoded.
  const std::string InName = FInputFiles[Index];
  if (Index >= FOutputFiles.size())
    throw ELameError("List index out of bounds (" + std::to_string(Index) + ")");
  const std::string OutName = FOutputFiles[Index];

  InitStream();  // its result is not looked at: a failed stream fails its first chunk
  {
    // Everything this file opens is closed on every way out; an unfinished
    // output file is removed unless the user cancelled (then it is kept).
    TFd In, Out;
    bool OutCreated = false, Finished = false;
    struct TCleanup {
      TLameCoder& Coder;
      TFd& In;
      TFd& Out;
      const std::string& OutName;
      bool& OutCreated;
      bool& Finished;
      ~TCleanup() {
        Coder.InBuffer.clear();
        Coder.InBuffer.shrink_to_fit();
        Out.Close();
        In.Close();
        Coder.CloseStream();
        if (OutCreated && !Finished && !Coder.Canceled) unlink(OutName.c_str());
      }
    } Cleanup{*this, In, Out, OutName, OutCreated, Finished};

    if (OnBeginFile) OnBeginFile(*this, static_cast<uint16_t>(Index), InName);

    In.Fd = open(InName.c_str(), O_RDONLY | O_CLOEXEC);
    if (In.Fd < 0) throw ELameError(OpenError(InName, std::strerror(errno)));
    struct stat InInfo;
    if (fstat(In.Fd, &InInfo) != 0) throw ELameError(OpenError(InName, std::strerror(errno)));
    if (S_ISDIR(InInfo.st_mode)) throw ELameError(OpenError(InName, std::strerror(EISDIR)));
    uint64_t FileSize = static_cast<uint64_t>(InInfo.st_size);

    // Creating the output over the input would destroy it before it is read.
    struct stat OutInfo;
    if (stat(OutName.c_str(), &OutInfo) == 0 && OutInfo.st_dev == InInfo.st_dev &&
        OutInfo.st_ino == InInfo.st_ino)
      throw ELameError(CreateError(OutName, "It is the input file"));
    Out.Fd = open(OutName.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (Out.Fd < 0) throw ELameError(CreateError(OutName, std::strerror(errno)));
    // Only a regular file is ours to remove again (never a device such as /dev/null).
    OutCreated = fstat(Out.Fd, &OutInfo) == 0 && S_ISREG(OutInfo.st_mode);

    if (!ReadAt(In.Fd, WaveHeader.data(), WaveHeader.size(), 0)) throw ELameError("Read Error");

    // Where the audio lies and how many bytes go into one chunk.
    uint64_t Start = 0, Size = FileSize;
    uint32_t ChunkSize = 0;
    if (std::memcmp(&WaveHeader[8], "WAVE", 4) == 0) {
      // Only the "data" chunk is audio: other chunks (LIST, fact, ...) may come first.
      uint16_t BlockAlign = 0;
      if (!FindWaveData(In.Fd, FileSize, WaveHeader, Start, Size, BlockAlign))
        throw ELameError("Read Error");
      ChunkSize = Samples * BlockAlign;
    }
    // Raw PCM, or a block align that gives no chunk size of 16 bits.
    if (ChunkSize == 0 || ChunkSize > 0xFFFF)
      ChunkSize = FMode == TLameMode::MONO ? Samples : 2 * Samples;
    // A failed stream asks for no samples; its first chunk reports the failure.
    if (ChunkSize == 0) ChunkSize = 2;

    InBuffer.assign(ChunkSize, 0);
    uint64_t Position = 0;
    while (Position != Size) {
      uint32_t N = static_cast<uint32_t>(std::min<uint64_t>(ChunkSize, Size - Position));
      if (!ReadAt(In.Fd, InBuffer.data(), N, Start + Position)) throw ELameError("Read Error");
      if constexpr (std::endian::native == std::endian::big) {
        for (uint32_t B = 0; B + 1 < N; B += 2) std::swap(InBuffer[B], InBuffer[B + 1]);
      }
      uint32_t Bytes = 0;
      uint32_t Result =
          beEncodeChunk(Stream, N / 2, reinterpret_cast<const int16_t*>(InBuffer.data()),
                        OutBuffer.data(), &Bytes);
      if (Result != BE_ERR_SUCCESSFUL)
        throw ELameError("beEncodeChunk failed " + std::to_string(Result));
      if (!WriteOut(Out.Fd, OutBuffer.data(), Bytes)) throw ELameError("Write Error");
      Position += N;
      if (OnProgress) OnProgress(*this, static_cast<uint16_t>(Position * 100 / Size));
      if (ProcessMessages) ProcessMessages();
      if (Canceled) return;  // partial output kept, no end events
    }

    uint32_t Bytes = 0;
    if (DeinitStream(OutBuffer.data(), Bytes) != BE_ERR_SUCCESSFUL) Bytes = 0;
    if (!WriteOut(Out.Fd, OutBuffer.data(), Bytes)) throw ELameError("Write error");
    // Fill the reserved VBR header frame now that the stream is complete,
    // before anyone writes a tag (the bridge does nothing for a stream without one).
    if (Stream != 0 && WriteInfoTag(OutName) != BE_ERR_SUCCESSFUL) throw ELameError("Write error");
    // A file whose folder was removed meanwhile took every byte and is gone all the same.
    if (OutCreated && (fstat(Out.Fd, &OutInfo) != 0 || OutInfo.st_nlink == 0))
      throw ELameError("Write error");
    if (!Out.Close()) throw ELameError("Write error");
    Finished = true;
  }
  if (OnEndFile) OnEndFile(*this, static_cast<uint16_t>(Index), OutName);
}

}  // namespace tolvar
