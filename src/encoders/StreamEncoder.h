#pragma once
// Encoders that take 16-bit PCM in pieces of any length and write their file
// through callbacks: FLAC, Opus and Ogg Vorbis, for rips and for WAV files.
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace tolvar {

struct TTagModel;

// An encoder that could not start (settings it refuses, no memory).
class EEncoderError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Where an encoder puts its file.
struct TEncodedOutput {
  // Writes every byte; false when it could not.
  std::function<bool(const void* Bytes, size_t Count)> Write;
  // Optional: move to an absolute offset and tell the offset. FLAC goes back
  // through them at the end to complete its STREAMINFO and seek table.
  std::function<bool(uint64_t Offset)> Seek;
  std::function<int64_t()> Tell;
};

struct TPcmShape {
  int Channels = 2;
  int SampleRate = 44100;
  uint64_t Frames = 0;  // how many frames are expected; 0 when not known
};

enum class TStreamFormat { Flac, Opus, Vorbis };

struct TStreamSettings {
  TStreamFormat Format = TStreamFormat::Flac;
  int FlacLevel = 5;      // 0 fastest .. 8 smallest
  int OpusBitrate = 160;  // kbit/s, 6 .. 510
  float VorbisQuality = 0.4f;
};

class TStreamEncoder {
 public:
  virtual ~TStreamEncoder() = default;
  TStreamEncoder(const TStreamEncoder&) = delete;
  TStreamEncoder& operator=(const TStreamEncoder&) = delete;

  // Encodes 16-bit little-endian interleaved samples. Any number of bytes: an
  // incomplete frame waits for the next call. False on failure (see Error).
  bool Write(const uint8_t* Bytes, size_t Count);
  // Encodes what is left and ends the stream so the file decodes; false on
  // failure. Runs once; a stopped rip finishes its file this way too.
  bool Finish();
  // Why Write or Finish failed: "Write error" when the output refused bytes,
  // else the encoder's own words.
  std::string Error() const { return OutputFailed ? "Write error" : EncoderError; }

 protected:
  TStreamEncoder(int Channels, TEncodedOutput Output);
  virtual bool EncodeFrames(const int16_t* Samples, size_t Frames) = 0;
  virtual bool EndStream() = 0;
  // Hands encoded bytes to the output, remembering a failure.
  bool Put(const void* Bytes, size_t Count);

  TEncodedOutput Output;
  std::string EncoderError;
  bool OutputFailed = false;

 private:
  size_t FrameBytes;
  std::vector<int16_t> Samples;  // aligned copy of the whole frames of one Write
  std::vector<uint8_t> Partial;  // bytes of an incomplete frame
  bool Finished = false;
};

// The encoder for Settings.Format, with the tags of Model. Throws
// EEncoderError when it cannot start.
std::unique_ptr<TStreamEncoder> MakeStreamEncoder(const TStreamSettings& Settings,
                                                  const TPcmShape& Shape, const TTagModel& Model,
                                                  TEncodedOutput Output);

// ".flac", ".opus", ".ogg".
const char* StreamFileExt(TStreamFormat Format);

}  // namespace tolvar
