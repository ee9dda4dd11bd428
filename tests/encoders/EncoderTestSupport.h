#pragma once
// Helpers of the encoder tests: WAV files made at test time, a real decoder
// (mpg123) and a reader of MP3 frame headers.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tolvar::testing {

// Interleaved 16-bit samples: two tones and a little noise, different per
// channel, so that an encoder has real work and a swap would show.
std::string TestPcm(uint32_t Frames, int Channels, uint32_t Rate = 44100);

// A WAV file of Pcm. ExtraChunks (complete chunks, id + size + body) go
// between "fmt " and "data".
std::string WavBytes(const std::string& Pcm, int Channels, uint32_t Rate = 44100,
                     const std::string& ExtraChunks = {});
// One RIFF chunk: id, little-endian size, body, pad byte for an odd size.
std::string RiffChunk(const std::string& Id, const std::string& Body);

struct TDecoded {
  bool Ok = false;       // mpg123 exited 0
  std::string Pcm;       // 16-bit samples as decoded
  std::string Messages;  // mpg123's stderr
};
// Decodes an MP3 file with mpg123 (gapless, as players do).
TDecoded DecodeMp3(const std::string& Path);

struct TFrameHeader {
  int Version = 0;  // 1 for MPEG-1, 2 for MPEG-2, 25 for MPEG-2.5
  int Layer = 0;
  bool Crc = false;  // protection bit clear: a CRC follows the header
  int Bitrate = 0;   // kbit/s
  int SampleRate = 0;
  bool Private = false;
  int Mode = 0;  // 0 stereo, 1 joint stereo, 2 dual channel, 3 mono
  bool Copyright = false;
  bool Original = false;
  uint32_t Offset = 0;
  uint32_t Length = 0;
};
// Walks the frames of an MP3 stream from Bytes[0]. Ok is false when something
// other than whole frames is found.
struct TFrameWalk {
  bool Ok = false;
  bool CutShort = false;  // whole frames, then the beginning of one more (a stopped stream)
  std::vector<TFrameHeader> Frames;
};
TFrameWalk WalkFrames(const std::string& Bytes);
// True when the first frame is a VBR header frame ("Xing" or "Info") whose
// frame count is filled in; Frames receives that count.
bool HasFilledVbrHeader(const std::string& Bytes, uint32_t& Frames);

// Entries of /proc/self/fd: to check that an operation closed what it opened.
int OpenDescriptors();
// Entries of /proc/self/task: the threads of this process.
int Threads();

// Runs Body as an unprivileged user when the tests run as root (root may
// write into read-only folders and read unreadable files); in this process
// otherwise. Body returns an empty text on success, else what went wrong.
std::string RunUnprivileged(const std::function<std::string()>& Body);

// Runs a shell command; returns its exit status, with stdout and stderr.
int RunCommand(const std::string& Command, std::string* Out = nullptr, std::string* Err = nullptr);
std::string Quote(const std::string& Text);

}  // namespace tolvar::testing
