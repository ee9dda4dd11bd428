#pragma once
// Ogg Vorbis through the run-time loaded Vorbis library, for WAV files: the
// tag model's comments in UTF-8, written after the library's own.
#include <vector>

#include "StreamEncoder.h"

namespace tolvar {

class TVorbisCoder : public TStreamEncoder {
 public:
  // Quality 0.0 to 1.0. Throws EEncoderError.
  TVorbisCoder(float Quality, const TPcmShape& Shape, const TTagModel& Model,
               TEncodedOutput Output);
  ~TVorbisCoder() override;

 private:
  bool EncodeFrames(const int16_t* Samples, size_t Frames) override;
  bool EndStream() override;

  void* Stream = nullptr;
  uint32_t SamplesPerWrite = 0;
  std::vector<uint8_t> Buffer;  // the library's output of one call
  int Channels;
};

}  // namespace tolvar
