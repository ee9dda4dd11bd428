#pragma once
// The encoding half of a rip, for one file: the audio of a track as the CD
// library delivered it goes in, the file the rip loop would have written
// comes out (the same encoder calls on the same pieces of audio, the same
// tags). Made on the reading thread with the ripper's settings of that
// moment; used afterwards by one encoding thread, so it shares nothing.
#include <cstdint>
#include <memory>
#include <string>

#include "encoders/StreamEncoder.h"
#include "tags/TagModel.h"

struct TVbEncConfig;

namespace tolvar {

class TLameCoder;
class TRipFile;
struct TOggRipInfo;

class TTrackEncoder {
 public:
  virtual ~TTrackEncoder() = default;
  // Opens the encoder stream. Throws ECDRIPError.
  virtual void Start() = 0;
  // Encodes audio and writes what it gives. Throws ECDRIPError.
  virtual void Write(const uint8_t* Bytes, size_t Count) = 0;
  // Encodes the rest, ends the stream, closes the file and writes the tags:
  // the file is complete when it returns. Throws ECDRIPError.
  virtual void Finish() = 0;
};

// MP3 through a copy of Settings (mode and rate included) into File, tagged
// under TagName afterwards as the one-track rip tags it.
std::unique_ptr<TTrackEncoder> MakeMp3TrackEncoder(const TLameCoder& Settings,
                                                   std::unique_ptr<TRipFile> File,
                                                   const std::string& Target,
                                                   const std::string& TagName, TTagModel Tags);
// FLAC or Opus: the stream encoder writes the tags with the stream.
std::unique_ptr<TTrackEncoder> MakeStreamTrackEncoder(const TStreamSettings& Settings,
                                                      const TPcmShape& Shape, TTagModel Tags,
                                                      std::unique_ptr<TRipFile> File);
// Ogg Vorbis through the Vorbis library, with the stream information of the rip.
std::unique_ptr<TTrackEncoder> MakeOggTrackEncoder(const TVbEncConfig& Config,
                                                   std::unique_ptr<TOggRipInfo> Info,
                                                   std::unique_ptr<TRipFile> File);

}  // namespace tolvar
