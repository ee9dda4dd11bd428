#pragma once
// The output file of one rip: created (an existing file is replaced), written
// with every byte or an error, and - for a WAV file - its header made to state
// the data that was written before the file is closed.
#include <cstdint>
#include <stdexcept>
#include <string>

namespace tolvar {

// The file-creation failure that rips let through to their caller.
class EFCreateError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

inline constexpr uint32_t kWavHeaderSize = 44;

// The canonical 44-byte header of 16-bit PCM data of DataSize bytes.
std::string WavHeader(int Channels, int SampleRate, uint32_t DataSize);

class TRipFile {
 public:
  // Throws EFCreateError ("Cannot create file "NAME". reason").
  explicit TRipFile(const std::string& Name);
  ~TRipFile();
  TRipFile(const TRipFile&) = delete;
  TRipFile& operator=(const TRipFile&) = delete;

  // Writes every byte; false on a short write.
  bool Write(const void* Bytes, size_t Count);
  // Writes a WAV header now and remembers it, so Close can correct its sizes.
  bool WriteWavHeader(int Channels, int SampleRate, uint32_t DataSize);
  // Moves the write position to Offset, and tells where it is (-1 on
  // failure): encoders that complete their headers at the end go back so.
  bool Seek(uint64_t Offset);
  int64_t Position() const;
  // Bytes written after the header.
  uint64_t DataBytes() const { return Written - HeaderBytes; }
  // Corrects the WAV header (when there is one and the file can be rewritten)
  // and closes the file; false when either fails. Runs once.
  bool Close();

 private:
  int Fd = -1;
  uint64_t Written = 0;
  uint32_t HeaderBytes = 0;
  int Channels = 0, SampleRate = 0;
};

}  // namespace tolvar
