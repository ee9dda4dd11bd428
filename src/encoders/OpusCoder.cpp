#include "OpusCoder.h"

#include <algorithm>
#include <memory>
#include <mutex>
#include <random>

#include "tags/TagModel.h"

namespace tolvar {

namespace {

uint32_t NewSerial() {
  static std::mutex Lock;  // files are encoded on several threads at once
  static std::mt19937 Generator{std::random_device{}()};
  std::lock_guard<std::mutex> Guard(Lock);
  return static_cast<uint32_t>(Generator());
}

struct TCommentsDeleter {
  void operator()(OggOpusComments* Comments) const { ope_comments_destroy(Comments); }
};

}  // namespace

int TOpusCoder::WritePage(void* Data, const unsigned char* Bytes, opus_int32 Count) {
  return static_cast<TOpusCoder*>(Data)->Put(Bytes, static_cast<size_t>(Count)) ? 0 : 1;
}

int TOpusCoder::CloseStream(void*) {
  return 0;  // the owner of the output closes it
}

TOpusCoder::TOpusCoder(int Bitrate, const TPcmShape& Shape, const TTagModel& Model,
                       TEncodedOutput Out)
    : TStreamEncoder(Shape.Channels, std::move(Out)) {
  std::unique_ptr<OggOpusComments, TCommentsDeleter> Comments(ope_comments_create());
  if (!Comments) throw EEncoderError("Opus encoder: out of memory");
  for (const auto& [Name, Value] : VorbisComments(Model))
    if (ope_comments_add(Comments.get(), Name.c_str(), Value.c_str()) != OPE_OK)
      throw EEncoderError("Opus encoder: out of memory");
  // Built here rather than by libopusenc, which takes only image types it knows.
  if (!Model.Extras.Picture.Data.empty() &&
      ope_comments_add(Comments.get(), "METADATA_BLOCK_PICTURE",
                       Base64(PictureBlock(Model.Extras.Picture)).c_str()) != OPE_OK)
    throw EEncoderError("Opus encoder: out of memory");

  const OpusEncCallbacks Callbacks = {WritePage, CloseStream};
  int Code = OPE_OK;
  // The encoder copies the comments.
  Encoder = ope_encoder_create_callbacks(&Callbacks, this, Comments.get(), Shape.SampleRate,
                                         Shape.Channels, 0, &Code);
  if (!Encoder) throw EEncoderError(std::string("Opus encoder: ") + ope_strerror(Code));
  Code = ope_encoder_ctl(Encoder, OPUS_SET_BITRATE(std::clamp(Bitrate, 6, 510) * 1000));
  if (Code == OPE_OK) Code = ope_encoder_ctl(Encoder, OPUS_SET_VBR(1));
  // A serial number that differs between files, as chained streams require
  // (libopusenc's own comes from an unseeded rand()).
  if (Code == OPE_OK)
    Code = ope_encoder_ctl(Encoder, OPE_SET_SERIALNO(static_cast<int>(NewSerial())));
  if (Code != OPE_OK) {
    ope_encoder_destroy(Encoder);
    throw EEncoderError(std::string("Opus encoder: ") + ope_strerror(Code));
  }
}

TOpusCoder::~TOpusCoder() {
  ope_encoder_destroy(Encoder);
}

bool TOpusCoder::Failed(int Code) {
  EncoderError = std::string("Opus encoder: ") + ope_strerror(Code);
  return false;
}

bool TOpusCoder::EncodeFrames(const int16_t* Samples, size_t Frames) {
  const int Code = ope_encoder_write(Encoder, Samples, static_cast<int>(Frames));
  if (Code != OPE_OK) return Failed(Code);
  return !OutputFailed;
}

bool TOpusCoder::EndStream() {
  const int Code = ope_encoder_drain(Encoder);
  if (Code != OPE_OK) return Failed(Code);
  return !OutputFailed;
}

}  // namespace tolvar
