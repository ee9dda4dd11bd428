#include "VorbisCoder.h"

#include <algorithm>
#include <string>

#include "VorbisDll.h"
#include "tags/TagModel.h"

namespace tolvar {

TVorbisCoder::TVorbisCoder(float Quality, const TPcmShape& Shape, const TTagModel& Model,
                           TEncodedOutput Out)
    : TStreamEncoder(Shape.Channels, std::move(Out)), Channels(Shape.Channels) {
  LoadVorbis();
  if (!VorbisReady()) throw EEncoderError("Vorbis.DLL is not ready.");
  TVbEncConfig Config{};
  Config.Size = sizeof Config;
  Config.Channels = static_cast<uint32_t>(Shape.Channels);
  Config.SampleRate = static_cast<uint32_t>(Shape.SampleRate);
  Config.Quality = Quality;
  std::vector<std::string> Comments;
  for (const auto& [Name, Value] : VorbisComments(Model)) Comments.push_back(Name + "=" + Value);
  std::vector<const char*> Pointers;
  for (const std::string& Comment : Comments) Pointers.push_back(Comment.c_str());
  TVbStreamInfo Info{};
  Info.Size = sizeof Info;
  Info.MoreComments = Pointers.data();
  Info.MoreCount = static_cast<uint32_t>(Pointers.size());
  uint32_t OutSize = 0;
  if (int Code = Vorbis().vbEncOpen(&Config, &Info, &SamplesPerWrite, &OutSize, &Stream)) {
    Stream = nullptr;
    throw EEncoderError("Error opening encoding stream " + std::to_string(Code));
  }
  Buffer.resize(OutSize);
}

TVorbisCoder::~TVorbisCoder() {
  if (Stream) Vorbis().vbEncClose(Stream, nullptr, nullptr);  // frees it, writes nothing
}

bool TVorbisCoder::EncodeFrames(const int16_t* Samples, size_t Frames) {
  // The library takes at most SamplesPerWrite samples a call, whole frames.
  const size_t Step = std::max<size_t>(SamplesPerWrite / static_cast<size_t>(Channels), 1);
  for (size_t Done = 0; Done < Frames; Done += Step) {
    const size_t Now = std::min(Step, Frames - Done);
    uint32_t Produced = 0;
    if (int Code = Vorbis().vbEncWrite(Stream, static_cast<uint32_t>(Now * Channels),
                                       Samples + Done * Channels, Buffer.data(), &Produced)) {
      EncoderError = "vbEncWrite failed " + std::to_string(Code);
      return false;
    }
    if (!Put(Buffer.data(), Produced)) return false;
  }
  return true;
}

bool TVorbisCoder::EndStream() {
  uint32_t Produced = 0;
  const int Code = Vorbis().vbEncClose(Stream, Buffer.data(), &Produced);
  Stream = nullptr;
  if (Code != 0) {
    EncoderError = "vbEncClose failed " + std::to_string(Code);
    return false;
  }
  return Put(Buffer.data(), Produced);
}

}  // namespace tolvar
