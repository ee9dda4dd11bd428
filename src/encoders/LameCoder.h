#pragma once
// TLameCoder: the MP3 encoder component. Holds the encoder
// settings, encodes whole WAV files to MP3 (EncodeFiles) and offers the stream
// operations the ripper uses while it reads a disc. It drives the LAME bridge
// (src/platform/lame_enc) through LAME's BladeEnc-style interface.
#include <array>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "lame_enc.h"

namespace tolvar {

// Failures that end an encoding operation; the texts are fixed.
class ELameError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

enum class TLameMode : uint8_t { STEREO = 0, JSTEREO = 1, DUALCHANNEL = 2, MONO = 3 };
enum class MPEG_QUALITY : uint8_t {
  NORMAL_QUALITY = 0,
  LOW_QUALITY = 1,
  HIGH_QUALITY = 2,
  VOICE_QUALITY = 3
};

// The library's version record, filled by beVersion when created.
class TLameVersion {
 public:
  TLameVersion();
  void Assign(const TLameVersion& Source);  // copies the four version bytes

  uint8_t DLLMajorVersion() const { return Version.byDLLMajorVersion; }
  uint8_t DLLMinorVersion() const { return Version.byDLLMinorVersion; }
  uint8_t MajorVersion() const { return Version.byMajorVersion; }
  uint8_t MinorVersion() const { return Version.byMinorVersion; }
  void SetDLLMajorVersion(uint8_t V) { Version.byDLLMajorVersion = V; }
  void SetDLLMinorVersion(uint8_t V) { Version.byDLLMinorVersion = V; }
  void SetMajorVersion(uint8_t V) { Version.byMajorVersion = V; }
  void SetMinorVersion(uint8_t V) { Version.byMinorVersion = V; }
  const BE_VERSION& Record() const { return Version; }

 private:
  BE_VERSION Version;
};

class TLameCoder {
 public:
  // Events. Sender is the component itself.
  using TNotifyEvent = std::function<void(TLameCoder& Sender)>;
  using TProcessFileEvent =
      std::function<void(TLameCoder& Sender, uint16_t Num, const std::string& FileName)>;
  using TProgressEvent = std::function<void(TLameCoder& Sender, uint16_t PercentComplete)>;

  TLameCoder();
  ~TLameCoder();  // closes a stream still open
  TLameCoder(const TLameCoder&) = delete;
  TLameCoder& operator=(const TLameCoder&) = delete;

  // Copies the encoder settings (not the file lists, events or working state).
  void Assign(const TLameCoder& Source);

  // --- Encoder settings ---
  uint32_t SampleRate() const { return FSampleRate; }
  void SetSampleRate(uint32_t Value) { FSampleRate = Value; }
  uint32_t Bitrate() const { return FBitrate; }  // kbit/s; the minimum when VBR is on
  void SetBitrate(uint32_t Value) { FBitrate = Value; }
  uint32_t MaxBitrate() const { return FMaxBitrate; }
  void SetMaxBitrate(uint32_t Value) { FMaxBitrate = Value; }
  MPEG_QUALITY Quality() const { return FQuality; }
  void SetQuality(MPEG_QUALITY Value) { FQuality = Value; }
  bool Private() const { return FPrivate; }
  void SetPrivate(bool Value) { FPrivate = Value; }
  bool CRC() const { return FCRC; }
  void SetCRC(bool Value) { FCRC = Value; }
  TLameMode Mode() const { return FMode; }
  void SetMode(TLameMode Value);  // stores only STEREO .. MONO (0 to 3)
  bool Copyright() const { return FCopyright; }
  void SetCopyright(bool Value) { FCopyright = Value; }
  bool Original() const { return FOriginal; }
  void SetOriginal(bool Value) { FOriginal = Value; }
  bool WriteVBRHeader() const { return FWriteVBRHeader; }
  void SetWriteVBRHeader(bool Value) { FWriteVBRHeader = Value; }
  bool EnableVBR() const { return FEnableVBR; }
  void SetEnableVBR(bool Value);  // also sets WriteVBRHeader to Value
  int VBRQuality() const { return FVBRQuality; }
  void SetVBRQuality(int Value) { FVBRQuality = Value; }
  const std::vector<std::string>& InputFiles() const { return FInputFiles; }
  // Also rebuilds OutputFiles: each input name with its extension replaced by DefaultExt.
  void SetInputFiles(const std::vector<std::string>& Value);
  const std::vector<std::string>& OutputFiles() const { return FOutputFiles; }
  void SetOutputFiles(const std::vector<std::string>& Value) { FOutputFiles = Value; }
  const TLameVersion& LameVersion() const { return FLameVersion; }
  const std::string& DefaultExt() const { return FDefaultExt; }
  void SetDefaultExt(const std::string& Value) { FDefaultExt = Value; }
  const std::string& Mp3FileName() const { return FMp3FileName; }  // kept, not used
  void SetMp3FileName(const std::string& Value) { FMp3FileName = Value; }

  TNotifyEvent OnBeginProcess;
  TProcessFileEvent OnBeginFile;
  TProcessFileEvent OnEndFile;
  TNotifyEvent OnEndProcess;
  TProgressEvent OnProgress;

  // The owner's "process pending window messages": EncodeFiles calls it after
  // every chunk, so Cancel (and the rest of the program) can run meanwhile.
  std::function<void()> ProcessMessages;

  // --- Stream operations (the ripper's calling order: InitStream, any number
  // of EncodeChunk, DeinitStream, CloseStream) ---

  // Fills Config and opens a stream; on success allocates OutBuffer
  // (BufferSize bytes). Returns the library's result (0 = success).
  uint32_t InitStream();
  // Encodes Samples 16-bit samples from Input into Output (BufferSize bytes).
  uint32_t EncodeChunk(const int16_t* Input, uint8_t* Output, uint32_t& Bytes);
  // The same for any count up to Samples (the last, shorter chunk of a rip).
  uint32_t EncodeChunk(uint32_t Count, const int16_t* Input, uint8_t* Output, uint32_t& Bytes);
  // The final bytes of the stream.
  uint32_t DeinitStream(uint8_t* Output, uint32_t& Bytes);
  // Once every byte of the stream is in FileName (and before any tag is
  // written): fills the VBR header frame the stream reserved when
  // WriteVBRHeader was on. Nothing to do otherwise. Returns the library's result.
  uint32_t WriteInfoTag(const std::string& FileName);
  // Releases OutBuffer and closes the stream.
  void CloseStream();

  // Encodes every file of InputFiles into the file of the same index of
  // OutputFiles. A WAV file's "data" chunk is encoded; any other file is taken
  // as raw 16-bit PCM. Throws ELameError; everything it opened is closed first
  // and the unfinished output file is removed.
  void EncodeFiles();
  // Asks a running EncodeFiles to stop after its current chunk; the partial
  // output is kept and no end events fire.
  void Cancel() { Canceled = true; }

  // --- Working state (public, not settings) ---
  BE_CONFIG Config{};
  HBE_STREAM Stream = 0;
  uint32_t Samples = 0;     // samples per chunk the library asks for
  uint32_t BufferSize = 0;  // bytes of MP3 output one call may produce
  std::vector<uint8_t> OutBuffer;
  std::vector<uint8_t> InBuffer;
  bool Canceled = false;
  std::array<uint8_t, 44> WaveHeader{};  // the first 44 bytes of the input file

 private:
  void EncodeFile(size_t Index);

  uint32_t FSampleRate = 44100;
  uint32_t FBitrate = 128;
  uint32_t FMaxBitrate = 320;
  MPEG_QUALITY FQuality = MPEG_QUALITY::NORMAL_QUALITY;
  bool FPrivate = false;
  bool FCRC = true;
  TLameMode FMode = TLameMode::STEREO;
  bool FCopyright = false;
  bool FOriginal = false;
  bool FWriteVBRHeader = false;
  bool FEnableVBR = false;
  int FVBRQuality = 4;
  std::vector<std::string> FInputFiles;
  std::vector<std::string> FOutputFiles;
  TLameVersion FLameVersion;
  std::string FDefaultExt = ".mp3";
  std::string FMp3FileName;
};

}  // namespace tolvar
