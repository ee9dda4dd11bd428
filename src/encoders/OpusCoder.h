#pragma once
// Opus through libopusenc: variable bit rate, the input rate noted as the
// original rate in the header, the tags as OpusTags comments and the cover as
// METADATA_BLOCK_PICTURE. libopusenc resamples to 48 kHz and handles the
// pre-skip, so the decoded length is the input's.
#include <opus/opusenc.h>

#include "StreamEncoder.h"

namespace tolvar {

class TOpusCoder : public TStreamEncoder {
 public:
  // Bitrate in kbit/s, 6 to 510. Throws EEncoderError.
  TOpusCoder(int Bitrate, const TPcmShape& Shape, const TTagModel& Model, TEncodedOutput Output);
  ~TOpusCoder() override;

 private:
  bool EncodeFrames(const int16_t* Samples, size_t Frames) override;
  bool EndStream() override;
  bool Failed(int Code);
  static int WritePage(void* Data, const unsigned char* Bytes, opus_int32 Count);
  static int CloseStream(void* Data);

  OggOpusEnc* Encoder = nullptr;
};

}  // namespace tolvar
