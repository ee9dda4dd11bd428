#include "StreamEncoder.h"

#include <algorithm>
#include <cstring>

#include "FlacCoder.h"
#include "OpusCoder.h"
#include "VorbisCoder.h"

namespace tolvar {

TStreamEncoder::TStreamEncoder(int Channels, TEncodedOutput Output)
    : Output(std::move(Output)), FrameBytes(2 * static_cast<size_t>(std::max(Channels, 1))) {}

bool TStreamEncoder::Put(const void* Bytes, size_t Count) {
  if (OutputFailed) return false;
  if (Count > 0 && !Output.Write(Bytes, Count)) OutputFailed = true;
  return !OutputFailed;
}

bool TStreamEncoder::Write(const uint8_t* Bytes, size_t Count) {
  if (Finished) return false;
  // Complete the frame a previous call left open.
  if (!Partial.empty()) {
    const size_t Take = std::min(FrameBytes - Partial.size(), Count);
    Partial.insert(Partial.end(), Bytes, Bytes + Take);
    Bytes += Take;
    Count -= Take;
    if (Partial.size() < FrameBytes) return true;
    int16_t Frame[2];
    std::memcpy(Frame, Partial.data(), FrameBytes);
    Partial.clear();
    if (!EncodeFrames(Frame, 1)) return false;
  }
  const size_t Frames = Count / FrameBytes;
  if (Frames > 0) {
    Samples.resize(Frames * FrameBytes / 2);
    std::memcpy(Samples.data(), Bytes, Frames * FrameBytes);
    if (!EncodeFrames(Samples.data(), Frames)) return false;
  }
  Partial.assign(Bytes + Frames * FrameBytes, Bytes + Count);
  return true;
}

bool TStreamEncoder::Finish() {
  if (Finished) return false;
  Finished = true;
  Samples = {};
  return EndStream();
}

std::unique_ptr<TStreamEncoder> MakeStreamEncoder(const TStreamSettings& Settings,
                                                  const TPcmShape& Shape, const TTagModel& Model,
                                                  TEncodedOutput Output) {
  switch (Settings.Format) {
    case TStreamFormat::Flac:
      return std::make_unique<TFlacCoder>(Settings.FlacLevel, Shape, Model, std::move(Output));
    case TStreamFormat::Opus:
      return std::make_unique<TOpusCoder>(Settings.OpusBitrate, Shape, Model, std::move(Output));
    case TStreamFormat::Vorbis:
      break;
  }
  return std::make_unique<TVorbisCoder>(Settings.VorbisQuality, Shape, Model, std::move(Output));
}

const char* StreamFileExt(TStreamFormat Format) {
  switch (Format) {
    case TStreamFormat::Flac:
      return ".flac";
    case TStreamFormat::Opus:
      return ".opus";
    case TStreamFormat::Vorbis:
      break;
  }
  return ".ogg";
}

}  // namespace tolvar
