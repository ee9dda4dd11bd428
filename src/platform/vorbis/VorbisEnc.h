#pragma once
// The C interface of Tolvar's Ogg Vorbis encoder library (libtolvar-vorbis.so),
// loaded at run time. Results: 0 success, any other value an error code.
#include <cstddef>
#include <cstdint>

extern "C" {

// Encoder configuration, 260 bytes; bytes not named here are 0.
struct TVbEncConfig {
  uint32_t Reserved0[2];
  uint32_t Size;        // 260
  uint32_t Channels;    // 2
  uint32_t SampleRate;  // 44100
  uint32_t Reserved1[4];
  float Quality;  // 0.0 to 1.0
  uint8_t Reserved2[220];
};
static_assert(sizeof(TVbEncConfig) == 260);
static_assert(offsetof(TVbEncConfig, Size) == 8);
static_assert(offsetof(TVbEncConfig, Channels) == 12);
static_assert(offsetof(TVbEncConfig, SampleRate) == 16);
static_assert(offsetof(TVbEncConfig, Quality) == 36);

// Stream information: the texts become Vorbis comments. Texts are UTF-8 (a
// text that is not valid UTF-8 is read as Latin-1) and zero-terminated; a null or empty text writes
// no comment. The text fields hold pointers, so on a 64-bit system the record is 88 bytes, not 56.
struct TVbStreamInfo {
  uint32_t Size;                            // sizeof(TVbStreamInfo)
  uint32_t Value1, Value2, Value3, Value4;  // 1, 1, 44, 1
  const char* Artist;
  const char* Album;
  const char* Title;
  const char* Comment;
  uint32_t TrackNumber;
  uint32_t TrackCount;
  const char* Genre;
  const char* Encoder;
  const char* Date;
  // Further comments, each "NAME=value" in UTF-8, written as they are after
  // the ones above.
  const char* const* MoreComments = nullptr;
  uint32_t MoreCount = 0;
};

struct TVbVersion {
  uint8_t Major, Minor, EngineMajor, EngineMinor;
  uint8_t Day, Month;
  uint16_t Year;
};
static_assert(sizeof(TVbVersion) == 8);

using TVbEncOpen = int (*)(const TVbEncConfig* Config, const TVbStreamInfo* Info,
                           uint32_t* SamplesPerWrite, uint32_t* OutputBufferSize, void** Stream);
using TVbEncWrite = int (*)(void* Stream, uint32_t Samples, const int16_t* Input, uint8_t* Output,
                            uint32_t* BytesProduced);
using TVbEncClose = int (*)(void* Stream, uint8_t* Output, uint32_t* BytesProduced);
using TVbVersionFn = int (*)(TVbVersion* Version);
using TVbDecAny = int (*)(...);

// Error codes of the library.
enum : int {
  VB_ERR_PARAMETER = 1,   // a null pointer or a record of the wrong size
  VB_ERR_FORMAT = 2,      // channels or rate the encoder cannot take
  VB_ERR_ENCODER = 3,     // libvorbis refused
  VB_ERR_OVERFLOW = 4,    // more output than the announced buffer holds
  VB_ERR_UNSUPPORTED = 5  // the decoder calls
};
}
