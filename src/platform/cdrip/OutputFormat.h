#pragma once
// Turns the disc's audio (16-bit stereo, 44100 Hz, little-endian) into the
// output format asked for: mono by averaging the two channels, 22050 and
// 11025 Hz through libsoxr (a real band-limited resampler, so nothing above
// the new Nyquist frequency folds back into the audio).
#include <cstddef>
#include <cstdint>
#include <vector>

typedef struct soxr* soxr_t;

namespace tolvar::cdrip {

class TFormatConverter {
 public:
  // Throws std::invalid_argument for a value outside TOutputFormat and
  // std::runtime_error when the resampler cannot be set up.
  explicit TFormatConverter(int32_t OutputFormat);
  ~TFormatConverter();
  TFormatConverter(const TFormatConverter&) = delete;
  TFormatConverter& operator=(const TFormatConverter&) = delete;

  // Converts Frames stereo frames and appends the result to Out.
  void Convert(const int16_t* Stereo, size_t Frames, std::vector<uint8_t>& Out);
  // Appends what the resampler still holds; call once at the end.
  void Flush(std::vector<uint8_t>& Out);

  // True for STEREO44100: the disc's audio as it is.
  bool Passthrough() const { return OutChannels == 2 && !Resampler; }
  int Channels() const { return OutChannels; }
  int SampleRate() const { return OutRate; }

 private:
  void Append(const int16_t* Samples, size_t Count, std::vector<uint8_t>& Out);
  void Resample(const int16_t* In, size_t Frames, std::vector<uint8_t>& Out);

  int OutChannels = 2;
  int OutRate = 44100;
  soxr_t Resampler = nullptr;
  std::vector<int16_t> Mono;
  std::vector<int16_t> Resampled;
};

}  // namespace tolvar::cdrip
