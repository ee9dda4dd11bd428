#pragma once
// The LAME bridge: LAME's published BladeEnc-style interface (the one that
// LAME_ENC.DLL exports) over libmp3lame's lame_* API. Plain C calls and packed
// records, so callers written for LAME_ENC.DLL carry over unchanged.
//
// Chunk contract: beInitStream announces how many 16-bit samples (all channels
// counted, interleaved) one beEncodeChunk call should take - 1152 per channel
// for MPEG-1 output, 576 for MPEG-2 - and how many bytes of MP3 output one
// call may produce. Any smaller count is accepted as well (the last chunk of a
// file). beDeinitStream flushes the last frames; beWriteInfoTag then fills the
// reserved VBR (Xing/LAME "Info") header frame of the finished file;
// beCloseStream frees the stream.
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(__GNUC__)
#define BE_EXPORT __attribute__((visibility("default")))
#else
#define BE_EXPORT
#endif

typedef uint32_t BE_ERR;
typedef uint32_t HBE_STREAM;  // 32-bit handle; 0 is never a valid stream
typedef int32_t BE_BOOL;      // any non-zero value is true

// Configuration kinds.
#define BE_CONFIG_MP3 0
#define BE_CONFIG_LAME 256

// Results.
#define BE_ERR_SUCCESSFUL 0x00000000u
#define BE_ERR_INVALID_FORMAT 0x00000001u
#define BE_ERR_INVALID_FORMAT_PARAMETERS 0x00000002u
#define BE_ERR_NO_MORE_HANDLES 0x00000003u
#define BE_ERR_INVALID_HANDLE 0x00000004u
#define BE_ERR_BUFFER_TOO_SMALL 0x00000005u

#define BE_MAX_HOMEPAGE 128

// Channel modes (the library's own numbering, not libmp3lame's).
#define BE_MP3_MODE_STEREO 0
#define BE_MP3_MODE_JSTEREO 1
#define BE_MP3_MODE_DUALCHANNEL 2
#define BE_MP3_MODE_MONO 3

#define MPEG1 1
#define MPEG2 0

#define CURRENT_STRUCT_VERSION 1
#define CURRENT_STRUCT_SIZE 331

// VBR methods (nVbrMethod).
#define VBR_METHOD_NONE (-1)
#define VBR_METHOD_DEFAULT 0
#define VBR_METHOD_OLD 1
#define VBR_METHOD_NEW 2
#define VBR_METHOD_MTRH 3
#define VBR_METHOD_ABR 4

// Quality presets (nPreset). The bridge maps the first four; any other value
// leaves libmp3lame's own defaults.
#define LQP_NOPRESET (-1)
#define LQP_NORMAL_QUALITY 0  // libmp3lame quality 5 (the algorithm's default speed/quality)
#define LQP_LOW_QUALITY 1     // quality 7
#define LQP_HIGH_QUALITY 2    // quality 2
#define LQP_VOICE_QUALITY 3   // LAME's voice settings: mono output, preset 56 (ABR 56 kbit/s)

#pragma pack(push, 1)

typedef struct {
  uint32_t dwConfig;  // BE_CONFIG_MP3 or BE_CONFIG_LAME
  union {
    // BE_CONFIG_MP3: the older, plain BladeEnc record.
    struct {
      uint32_t dwSampleRate;
      uint8_t byMode;
      uint16_t wBitrate;
      BE_BOOL bPrivate;
      BE_BOOL bCRC;
      BE_BOOL bCopyright;
      BE_BOOL bOriginal;
    } mp3;
    // BE_CONFIG_LAME: LAME header version 1.
    struct {
      uint32_t dwStructVersion;  // CURRENT_STRUCT_VERSION
      uint32_t dwStructSize;     // CURRENT_STRUCT_SIZE
      uint32_t dwSampleRate;     // input sample rate in Hz
      uint32_t dwReSampleRate;   // output sample rate, 0 = the encoder decides
      int32_t nMode;             // BE_MP3_MODE_*
      uint32_t dwBitrate;        // CBR bit rate, VBR minimum (kbit/s)
      uint32_t dwMaxBitrate;     // VBR maximum (kbit/s)
      int32_t nPreset;           // LQP_*
      uint32_t dwMpegVersion;    // MPEG1 or MPEG2 (informational)
      uint32_t dwPsyModel;       // 0
      uint32_t dwEmphasis;       // 0
      BE_BOOL bPrivate;
      BE_BOOL bCRC;
      BE_BOOL bCopyright;
      BE_BOOL bOriginal;
      BE_BOOL bWriteVBRHeader;  // reserve (and later fill) a Xing/LAME header frame
      BE_BOOL bEnableVBR;
      int32_t nVBRQuality;    // 0 (best) .. 9
      uint32_t dwVbrAbr_bps;  // mean bit rate in bit/s for VBR_METHOD_ABR
      int32_t nVbrMethod;     // VBR_METHOD_*
      BE_BOOL bNoRes;         // no bit reservoir
      BE_BOOL bStrictIso;
      uint16_t
          nQuality;  // libmp3lame quality 0..9 in the low byte when the high byte is its complement
      uint8_t btReserved[255 - 4 * sizeof(uint32_t) - sizeof(uint16_t)];
    } LHV1;
    struct {
      uint32_t dwSampleRate;
      uint8_t byMode;
      uint16_t wBitrate;
      uint8_t byEncodingMethod;
    } aac;
  } format;
} BE_CONFIG, *PBE_CONFIG;

// 268 bytes. The fields are LAME's; the reserved tail pads the record to the
// size callers of the interface allocate.
typedef struct {
  uint8_t byDLLMajorVersion;  // version of this interface
  uint8_t byDLLMinorVersion;
  uint8_t byMajorVersion;  // version of the encoding engine (libmp3lame)
  uint8_t byMinorVersion;
  uint8_t byDay;  // release date of the interface
  uint8_t byMonth;
  uint16_t wYear;
  char zHomepage[BE_MAX_HOMEPAGE + 1];  // NUL-terminated
  uint8_t byAlphaLevel;
  uint8_t byBetaLevel;
  uint8_t byMMXEnabled;
  uint8_t btReserved[128];
} BE_VERSION, *PBE_VERSION;

#pragma pack(pop)

BE_EXPORT void beVersion(PBE_VERSION pbeVersion);

// Opens a stream. On success *dwSamples is the number of 16-bit samples (all
// channels) one chunk should hold and *dwBufferSize the bytes of MP3 output one
// call may produce; the caller's output buffers must hold that many bytes. On
// failure *phbeStream is 0.
BE_EXPORT BE_ERR beInitStream(PBE_CONFIG pbeConfig, uint32_t* dwSamples, uint32_t* dwBufferSize,
                              HBE_STREAM* phbeStream);

// Encodes nSamples 16-bit samples (interleaved when the input has two
// channels). *pdwOutput receives the number of MP3 bytes written to pOutput.
BE_EXPORT BE_ERR beEncodeChunk(HBE_STREAM hbeStream, uint32_t nSamples, const int16_t* pSamples,
                               uint8_t* pOutput, uint32_t* pdwOutput);

// Flushes the stream: the last frames go to pOutput. No chunk may follow.
BE_EXPORT BE_ERR beDeinitStream(HBE_STREAM hbeStream, uint8_t* pOutput, uint32_t* pdwOutput);

BE_EXPORT BE_ERR beCloseStream(HBE_STREAM hbeStream);

// After beDeinitStream and once every byte of the stream is in the file:
// writes the final VBR (Xing/LAME "Info") header frame over the frame that the
// stream reserved at its start (after an ID3v2 tag, if the file begins with
// one). Does nothing when the stream was opened without bWriteVBRHeader.
BE_EXPORT BE_ERR beWriteInfoTag(HBE_STREAM hbeStream, const char* lpszFileName);

#ifdef __cplusplus
}  // extern "C"

#include <cstddef>

// The records are shared with callers byte for byte: pin their layout.
static_assert(sizeof(BE_CONFIG) == CURRENT_STRUCT_SIZE, "BE_CONFIG is 331 bytes");
static_assert(offsetof(BE_CONFIG, format.LHV1.dwStructVersion) == 4);
static_assert(offsetof(BE_CONFIG, format.LHV1.dwStructSize) == 8);
static_assert(offsetof(BE_CONFIG, format.LHV1.dwSampleRate) == 12);
static_assert(offsetof(BE_CONFIG, format.LHV1.dwReSampleRate) == 16);
static_assert(offsetof(BE_CONFIG, format.LHV1.nMode) == 20);
static_assert(offsetof(BE_CONFIG, format.LHV1.dwBitrate) == 24);
static_assert(offsetof(BE_CONFIG, format.LHV1.dwMaxBitrate) == 28);
static_assert(offsetof(BE_CONFIG, format.LHV1.nPreset) == 32);
static_assert(offsetof(BE_CONFIG, format.LHV1.dwMpegVersion) == 36);
static_assert(offsetof(BE_CONFIG, format.LHV1.dwPsyModel) == 40);
static_assert(offsetof(BE_CONFIG, format.LHV1.dwEmphasis) == 44);
static_assert(offsetof(BE_CONFIG, format.LHV1.bPrivate) == 48);
static_assert(offsetof(BE_CONFIG, format.LHV1.bCRC) == 52);
static_assert(offsetof(BE_CONFIG, format.LHV1.bCopyright) == 56);
static_assert(offsetof(BE_CONFIG, format.LHV1.bOriginal) == 60);
static_assert(offsetof(BE_CONFIG, format.LHV1.bWriteVBRHeader) == 64);
static_assert(offsetof(BE_CONFIG, format.LHV1.bEnableVBR) == 68);
static_assert(offsetof(BE_CONFIG, format.LHV1.nVBRQuality) == 72);
static_assert(offsetof(BE_CONFIG, format.LHV1.dwVbrAbr_bps) == 76);
static_assert(offsetof(BE_CONFIG, format.LHV1.nVbrMethod) == 80);
static_assert(offsetof(BE_CONFIG, format.LHV1.bNoRes) == 84);
static_assert(offsetof(BE_CONFIG, format.LHV1.bStrictIso) == 88);
static_assert(offsetof(BE_CONFIG, format.LHV1.nQuality) == 92);
static_assert(offsetof(BE_CONFIG, format.LHV1.btReserved) == 94);
static_assert(offsetof(BE_CONFIG, format.mp3.byMode) == 8);
static_assert(offsetof(BE_CONFIG, format.mp3.wBitrate) == 9);
static_assert(offsetof(BE_CONFIG, format.mp3.bCRC) == 15);
static_assert(sizeof(BE_VERSION) == 268, "BE_VERSION is 268 bytes");
static_assert(offsetof(BE_VERSION, wYear) == 6);
static_assert(offsetof(BE_VERSION, zHomepage) == 8);
static_assert(offsetof(BE_VERSION, byAlphaLevel) == 137);
static_assert(offsetof(BE_VERSION, btReserved) == 140);
#endif
