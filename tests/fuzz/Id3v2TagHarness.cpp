// The ID3v2 writer's reading of the tag already in a file: the header, the
// size it claims, and the choice between writing in place and rebuilding the
// file through a temporary one. Byte 0 sets how long the new texts are (so
// both choices are taken); the rest is the file. After a write the audio
// behind the new tag must be the audio behind the old one.
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

#include "FuzzTarget.h"
#include "tags/ID3v2.h"

using namespace tolvar;

TOLVAR_FUZZ_HARNESS(id3v2_tag) {
  if (Size < 1) return 0;
  const std::string File = fuzz::ScratchDir() + "/song.mp3";
  fuzz::WriteBytes(File, Data + 1, Size - 1);

  // The audio starts behind an old tag that the file holds whole.
  TTagLayout Old;
  int64_t OldTag = 0;
  if (id3v2::ReadHeader(File, Old) && std::memcmp(Old.Header.data(), "ID3", 3) == 0)
    OldTag = id3v2::GetTagSize(Old);

  TID3v2 Tag;
  Tag.SetTitle(std::string(Data[0] * 20u, 't'));
  Tag.SetArtist("Fuzz Artist");
  Tag.SetComment("x");
  if (!Tag.SaveToFile(File)) return 0;

  std::ifstream In(File, std::ios::binary);
  std::string After((std::istreambuf_iterator<char>(In)), std::istreambuf_iterator<char>());
  TTagLayout New;
  if (!id3v2::ReadHeader(File, New)) std::abort();
  int64_t NewTag = id3v2::GetTagSize(New);
  const std::string Audio(reinterpret_cast<const char*>(Data) + 1 + OldTag, Size - 1 - OldTag);
  if (NewTag <= 0 || After.compare(NewTag, std::string::npos, Audio) != 0) std::abort();
  return 0;
}
