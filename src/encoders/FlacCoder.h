#pragma once
// FLAC through libFLAC's stream encoder: the encoder verifies what it writes,
// puts the MD5 of the audio into STREAMINFO, and writes the tags as Vorbis
// comments, the cover as a PICTURE block, a seek table with one point every
// 10 seconds and 8 KiB of padding for later tag edits.
#include <FLAC/stream_encoder.h>

#include <vector>

#include "StreamEncoder.h"

namespace tolvar {

class TFlacCoder : public TStreamEncoder {
 public:
  // Level 0 (fastest) to 8 (smallest). Throws EEncoderError.
  TFlacCoder(int Level, const TPcmShape& Shape, const TTagModel& Model, TEncodedOutput Output);
  ~TFlacCoder() override;

 private:
  bool EncodeFrames(const int16_t* Samples, size_t Frames) override;
  bool EndStream() override;
  bool Failed();
  static FLAC__StreamEncoderWriteStatus WriteBytes(const FLAC__StreamEncoder*,
                                                   const FLAC__byte Bytes[], size_t Count, uint32_t,
                                                   uint32_t, void* Data);
  static FLAC__StreamEncoderSeekStatus SeekTo(const FLAC__StreamEncoder*, FLAC__uint64 Offset,
                                              void* Data);
  static FLAC__StreamEncoderTellStatus TellAt(const FLAC__StreamEncoder*, FLAC__uint64* Offset,
                                              void* Data);

  FLAC__StreamEncoder* Encoder = nullptr;
  std::vector<FLAC__StreamMetadata*> Blocks;  // owned; the encoder reads them until it ends
  std::vector<FLAC__int32> Wide;              // the samples widened for the encoder
  int Channels;
};

}  // namespace tolvar
