#pragma once
// Helpers of the rip tests: the image's own audio to compare with, WAV header
// fields, open descriptors, and the real decoders and checkers of the files.
#include <cstdint>
#include <filesystem>
#include <string>

#include "DiscImage.h"
#include "TestSupport.h"

namespace tolvar::testing {

inline uint32_t Le32(const std::string& Bytes, size_t At) {
  auto B = [&](size_t I) { return uint32_t{static_cast<uint8_t>(Bytes.at(At + I))}; };
  return B(0) | B(1) << 8 | B(2) << 16 | B(3) << 24;
}
inline uint32_t Le16(const std::string& Bytes, size_t At) {
  return Le32(Bytes.substr(At, 2) + std::string(2, '\0'), 0);
}

// Audio of Track (from 1), Count sectors from sector From of the track.
inline std::string ImagePcm(int Track, uint32_t From, uint32_t Count) {
  std::string Pcm(size_t{Count} * fixtures::kSectorBytes, '\0');
  for (uint32_t S = 0; S < Count; ++S)
    fixtures::TestAudioSector(Track, From + S,
                              reinterpret_cast<uint8_t*>(&Pcm[size_t{S} * fixtures::kSectorBytes]));
  return Pcm;
}

// Entries of /proc/self/fd: an operation that closes what it opens leaves
// the count as it found it.
inline int OpenDescriptors() {
  int N = 0;
  for ([[maybe_unused]] auto& E : std::filesystem::directory_iterator("/proc/self/fd")) ++N;
  return N;
}

// Standard output of a command, its messages dropped; Code receives the exit status.
inline std::string Output(const std::string& Command, int* Code = nullptr) {
  return fixtures::RunCommand("{ " + Command + " 2>/dev/null; }", Code);
}
// Samples as the decoders give them (16-bit, interleaved).
inline std::string DecodeMp3(const std::string& Path) {
  return Output("mpg123 -q -s " + fixtures::ShellQuote(Path));
}
inline std::string DecodeOgg(const std::string& Path) {
  return Output("oggdec -Q -R -o - " + fixtures::ShellQuote(Path));
}
inline bool OggInfoPasses(const std::string& Path) {
  int Code = -1;
  Output("ogginfo " + fixtures::ShellQuote(Path), &Code);
  return Code == 0;
}
inline std::string VorbisComments(const std::string& Path) {
  return Output("vorbiscomment -l " + fixtures::ShellQuote(Path));
}
}  // namespace tolvar::testing

namespace tolvar::testing {

// FLAC and Opus through their reference tools; decoded samples as 16-bit
// little-endian interleaved PCM at 44,100 Hz.
inline bool FlacTestPasses(const std::string& Path) {
  int Code = -1;
  Output("flac -t -s " + fixtures::ShellQuote(Path), &Code);
  return Code == 0;
}
inline std::string DecodeFlac(const std::string& Path) {
  return Output("flac -d -s -c --force-raw-format --endian=little --sign=signed " +
                fixtures::ShellQuote(Path));
}
inline bool OpusInfoPasses(const std::string& Path) {
  int Code = -1;
  Output("opusinfo " + fixtures::ShellQuote(Path), &Code);
  return Code == 0;
}
inline std::string DecodeOpus(const std::string& Path) {
  return Output("opusdec --quiet --rate 44100 " + fixtures::ShellQuote(Path) + " -");
}
inline std::string FlacTags(const std::string& Path) {
  return Output("metaflac --export-tags-to=- " + fixtures::ShellQuote(Path));
}

}  // namespace tolvar::testing
