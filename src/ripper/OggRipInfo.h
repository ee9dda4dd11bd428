#pragma once
// The stream information of an Ogg rip: the record the Vorbis library takes,
// with the texts it points to owned alongside it.
#include <string>
#include <vector>

#include "platform/vorbis/VorbisEnc.h"

namespace tolvar {

struct TOggRipInfo {
  TOggRipInfo() = default;
  // Info points into the texts below: neither copied nor moved.
  TOggRipInfo(const TOggRipInfo&) = delete;
  TOggRipInfo& operator=(const TOggRipInfo&) = delete;

  std::string Artist, Album, Title, Comment, Genre, Encoder, Date;
  std::vector<std::string> More;  // "NAME=value" beyond the library's own comments
  std::vector<const char*> MorePointers;
  TVbStreamInfo Info{};
};

}  // namespace tolvar
