// The LAME bridge over libmp3lame. Mirrors what LAME's own LAME_ENC.DLL does
// with the same records, with three differences:
// NORMAL_QUALITY means libmp3lame quality 5 and LOW_QUALITY quality 7, handles
// are small numbers (the records carry 32-bit handles, and a stale or foreign
// handle is refused instead of followed), and every call that fills a buffer
// is bounded by the size announced by beInitStream.
#include "lame_enc.h"

#include <fcntl.h>
#include <lame/lame.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <vector>

#include "util/NoThrow.h"

namespace {

// Version of this interface, as LAME 3.100's LAME_ENC.DLL reports its own.
constexpr uint8_t kDllMajorVersion = 1;
constexpr uint8_t kDllMinorVersion = 32;

// libmp3lame quality (0 best .. 9 fastest) behind each quality preset.
constexpr int kNormalQuality = 5;
constexpr int kLowQuality = 7;
constexpr int kHighQuality = 2;
constexpr int kVoicePreset = 56;  // LAME's "--voice": ABR 56 kbit/s, mono

struct TStream {
  std::mutex Lock;  // one call at a time on a stream
  lame_t Flags = nullptr;
  uint32_t BufferSize = 0;  // as announced to the caller
  bool Flushed = false;     // beDeinitStream ran: no more chunks
};

// Streams by handle - 1. Closed slots are null and reused. The lock guards
// the table only, so that streams encode side by side on several threads.
std::mutex StreamsLock;
std::vector<std::shared_ptr<TStream>> Streams;

// libmp3lame fills tables shared by every stream while it sets one up
// (lame_init, lame_init_params): no other stream may work meanwhile.
std::shared_mutex EngineLock;

std::shared_ptr<TStream> FindStream(HBE_STREAM Handle) {
  std::lock_guard<std::mutex> Lock(StreamsLock);
  if (Handle == 0 || Handle > Streams.size()) return nullptr;
  return Streams[Handle - 1];
}

HBE_STREAM AddStream(std::shared_ptr<TStream> S) {
  std::lock_guard<std::mutex> Lock(StreamsLock);
  for (size_t I = 0; I < Streams.size(); ++I)
    if (!Streams[I]) {
      Streams[I] = std::move(S);
      return static_cast<HBE_STREAM>(I + 1);
    }
  if (Streams.size() >= 0xFFFF) return 0;
  Streams.push_back(std::move(S));
  return static_cast<HBE_STREAM>(Streams.size());
}

// Copies the caller's record into a LAME-form record, as LAME does: the old
// BladeEnc form is translated, the LAME form is taken up to its stated size.
bool ReadConfig(const BE_CONFIG* In, BE_CONFIG& Out) {
  std::memset(&Out, 0, sizeof Out);
  if (In->dwConfig == BE_CONFIG_LAME) {
    uint32_t Size = In->format.LHV1.dwStructSize;
    if (Size < offsetof(BE_CONFIG, format.LHV1.nVBRQuality) + sizeof(int32_t)) return false;
    std::memcpy(&Out, In, Size < sizeof Out ? Size : sizeof Out);
    return true;
  }
  if (In->dwConfig != BE_CONFIG_MP3) return false;
  auto& L = Out.format.LHV1;
  const auto& M = In->format.mp3;
  Out.dwConfig = BE_CONFIG_LAME;
  L.dwStructVersion = CURRENT_STRUCT_VERSION;
  L.dwStructSize = CURRENT_STRUCT_SIZE;
  L.dwSampleRate = M.dwSampleRate;
  L.nMode = M.byMode & 0x0F;
  L.dwBitrate = M.wBitrate;
  L.bPrivate = M.bPrivate;
  L.bOriginal = M.bOriginal;
  L.bCopyright = M.bCopyright;
  // The old record hides VBR in the fourth nibble of bCRC and the quality
  // preset in the third.
  L.bCRC = M.bCRC & 0x01;
  int Vbr = (M.bCRC >> 12) & 0x0F;
  if (Vbr > 0) {
    L.bWriteVBRHeader = 1;
    L.bEnableVBR = 1;
    L.nVBRQuality = Vbr - 1;
  }
  L.nPreset = (M.bCRC >> 8) & 0x0F;
  return true;
}

BE_ERR Configure(lame_t Flags, const BE_CONFIG& Config) {
  const auto& L = Config.format.LHV1;
  lame_set_in_samplerate(Flags, static_cast<int>(L.dwSampleRate));
  // Tags are the caller's business; ReplayGain analysis is off, as with
  // "lame --noreplaygain" (it costs time and only fills fields of the LAME tag).
  lame_set_write_id3tag_automatic(Flags, 0);
  lame_set_findReplayGain(Flags, 0);
  lame_set_bWriteVbrTag(Flags, L.bWriteVBRHeader ? 1 : 0);

  switch (L.nMode) {
    case BE_MP3_MODE_STEREO:
      lame_set_mode(Flags, STEREO);
      lame_set_num_channels(Flags, 2);
      break;
    case BE_MP3_MODE_JSTEREO:
      lame_set_mode(Flags, JOINT_STEREO);
      lame_set_num_channels(Flags, 2);
      break;
    case BE_MP3_MODE_DUALCHANNEL:
      lame_set_mode(Flags, DUAL_CHANNEL);
      lame_set_num_channels(Flags, 2);
      break;
    case BE_MP3_MODE_MONO:
      lame_set_mode(Flags, MONO);
      lame_set_num_channels(Flags, 1);
      break;
    default:
      return BE_ERR_INVALID_FORMAT_PARAMETERS;
  }

  if (L.bEnableVBR) {
    switch (L.nVbrMethod) {
      case VBR_METHOD_NONE:
        lame_set_VBR(Flags, vbr_off);
        break;
      case VBR_METHOD_OLD:
        lame_set_VBR(Flags, vbr_rh);
        break;
      case VBR_METHOD_NEW:
      case VBR_METHOD_MTRH:
        lame_set_VBR(Flags, vbr_mtrh);
        break;
      case VBR_METHOD_ABR:
        lame_set_VBR(Flags, vbr_abr);
        break;
      default:
        lame_set_VBR(Flags, vbr_default);
        break;
    }
    lame_set_VBR_min_bitrate_kbps(Flags, static_cast<int>(L.dwBitrate));
    lame_set_VBR_max_bitrate_kbps(Flags, static_cast<int>(L.dwMaxBitrate));
    if (L.nVbrMethod == VBR_METHOD_ABR)
      lame_set_VBR_mean_bitrate_kbps(Flags, static_cast<int>(L.dwVbrAbr_bps / 1000));
    else
      lame_set_VBR_q(Flags, L.nVBRQuality);
  } else {
    lame_set_brate(Flags, static_cast<int>(L.dwBitrate));
  }

  if (L.dwReSampleRate > 0) lame_set_out_samplerate(Flags, static_cast<int>(L.dwReSampleRate));

  switch (L.nPreset) {
    case LQP_NORMAL_QUALITY:
      lame_set_quality(Flags, kNormalQuality);
      break;
    case LQP_LOW_QUALITY:
      lame_set_quality(Flags, kLowQuality);
      break;
    case LQP_HIGH_QUALITY:
      lame_set_quality(Flags, kHighQuality);
      break;
    case LQP_VOICE_QUALITY:
      lame_set_mode(Flags, MONO);
      lame_set_preset(Flags, kVoicePreset);
      break;
    default:
      break;  // libmp3lame's own defaults
  }

  lame_set_copyright(Flags, L.bCopyright ? 1 : 0);
  lame_set_original(Flags, L.bOriginal ? 1 : 0);
  lame_set_error_protection(Flags, L.bCRC ? 1 : 0);
  lame_set_extension(Flags, L.bPrivate ? 1 : 0);  // the private bit
  if (L.dwStructSize >= offsetof(BE_CONFIG, format.LHV1.nQuality) + sizeof(uint16_t)) {
    if (L.bNoRes) lame_set_disable_reservoir(Flags, 1);
    if (L.bStrictIso) lame_set_strict_ISO(Flags, 1);
    // An explicit quality wins when its high byte is the complement of its low byte.
    unsigned Low = L.nQuality & 0xFF, High = (L.nQuality >> 8) & 0xFF;
    if (Low == (~High & 0xFF) && Low <= 9) lame_set_quality(Flags, static_cast<int>(Low));
  }
  return lame_init_params(Flags) == 0 ? BE_ERR_SUCCESSFUL : BE_ERR_INVALID_FORMAT_PARAMETERS;
}

bool WriteAll(int Fd, const unsigned char* Bytes, size_t Count, off_t Offset) {
  while (Count > 0) {
    ssize_t Done = pwrite(Fd, Bytes, Count, Offset);
    if (Done < 0 && errno == EINTR) continue;
    if (Done <= 0) return false;
    Bytes += Done;
    Count -= static_cast<size_t>(Done);
    Offset += Done;
  }
  return true;
}

bool ReadAll(int Fd, unsigned char* Bytes, size_t Count, off_t Offset) {
  while (Count > 0) {
    ssize_t Done = pread(Fd, Bytes, Count, Offset);
    if (Done < 0 && errno == EINTR) continue;
    if (Done <= 0) return false;
    Bytes += Done;
    Count -= static_cast<size_t>(Done);
    Offset += Done;
  }
  return true;
}

int MonthOf(const char* Date) {
  static const char* const kMonths = "JanFebMarAprMayJunJulAugSepOctNovDec";
  for (int M = 0; M < 12; ++M)
    if (std::strncmp(Date, kMonths + 3 * M, 3) == 0) return M + 1;
  return 1;
}

void Version(PBE_VERSION V) {
  if (!V) return;
  std::memset(V, 0, sizeof *V);
  V->byDLLMajorVersion = kDllMajorVersion;
  V->byDLLMinorVersion = kDllMinorVersion;
  lame_version_t Engine;
  get_lame_version_numerical(&Engine);
  V->byMajorVersion = static_cast<uint8_t>(Engine.major);
  V->byMinorVersion = static_cast<uint8_t>(Engine.minor);
  V->byAlphaLevel = static_cast<uint8_t>(Engine.alpha);
  V->byBetaLevel = static_cast<uint8_t>(Engine.beta);
  // The release date of the interface is the day it was built, as in LAME_ENC.DLL.
  static const char kDate[] = __DATE__;  // "Mmm dd yyyy"
  V->byDay = static_cast<uint8_t>((kDate[4] == ' ' ? 0 : kDate[4] - '0') * 10 + (kDate[5] - '0'));
  V->byMonth = static_cast<uint8_t>(MonthOf(kDate));
  V->wYear = static_cast<uint16_t>(std::atoi(kDate + 7));
  std::strncpy(V->zHomepage, get_lame_url(), BE_MAX_HOMEPAGE);
  V->zHomepage[BE_MAX_HOMEPAGE] = '\0';
  V->byMMXEnabled = 0;  // libmp3lame chooses its own vector code
}

BE_ERR InitStream(PBE_CONFIG pbeConfig, uint32_t* dwSamples, uint32_t* dwBufferSize,
                  HBE_STREAM* phbeStream) {
  if (phbeStream) *phbeStream = 0;
  if (!pbeConfig || !dwSamples || !dwBufferSize || !phbeStream)
    return BE_ERR_INVALID_FORMAT_PARAMETERS;
  BE_CONFIG Config;
  if (!ReadConfig(pbeConfig, Config)) return BE_ERR_INVALID_FORMAT;

  auto S = std::make_shared<TStream>();
  {
    std::unique_lock<std::shared_mutex> Engine(EngineLock);
    S->Flags = lame_init();
    if (!S->Flags) return BE_ERR_NO_MORE_HANDLES;
    BE_ERR Result = Configure(S->Flags, Config);
    if (Result != BE_ERR_SUCCESSFUL) {
      lame_close(S->Flags);
      return Result;
    }
  }
  // A stream that never got a handle is closed again on every way out.
  struct TUnlessKept {
    lame_t Flags;
    bool Kept = false;
    ~TUnlessKept() {
      if (!Kept) lame_close(Flags);
    }
  } Guard{S->Flags};

  // One MPEG-1 frame holds 1152 samples per channel, an MPEG-2 (or 2.5) frame 576.
  uint32_t PerChannel = lame_get_version(S->Flags) == 1 ? 1152 : 576;
  uint32_t Channels = static_cast<uint32_t>(lame_get_num_channels(S->Flags));
  // LAME's own conservative estimate for one chunk; 7200 bytes cover the flush.
  S->BufferSize = static_cast<uint32_t>(1.25 * PerChannel + 7200);
  const uint32_t BufferSize = S->BufferSize;

  HBE_STREAM Handle = AddStream(std::move(S));
  if (Handle == 0) return BE_ERR_NO_MORE_HANDLES;
  Guard.Kept = true;
  *dwSamples = PerChannel * Channels;
  *dwBufferSize = BufferSize;
  *phbeStream = Handle;
  return BE_ERR_SUCCESSFUL;
}

BE_ERR EncodeChunk(HBE_STREAM hbeStream, uint32_t nSamples, const int16_t* pSamples,
                   uint8_t* pOutput, uint32_t* pdwOutput) {
  if (pdwOutput) *pdwOutput = 0;
  std::shared_ptr<TStream> S = FindStream(hbeStream);
  if (!S) return BE_ERR_INVALID_HANDLE;
  std::shared_lock<std::shared_mutex> Engine(EngineLock);
  std::lock_guard<std::mutex> Lock(S->Lock);
  if (!S->Flags || S->Flushed) return BE_ERR_INVALID_HANDLE;
  if (!pOutput || !pdwOutput || (nSamples > 0 && !pSamples))
    return BE_ERR_INVALID_FORMAT_PARAMETERS;
  int Channels = lame_get_num_channels(S->Flags);
  int PerChannel = static_cast<int>(nSamples / static_cast<uint32_t>(Channels));
  int Bytes;
  // lame_encode_buffer* take non-const pointers but only read the samples.
  short* Pcm = const_cast<short*>(reinterpret_cast<const short*>(pSamples));
  if (Channels == 1)
    Bytes = lame_encode_buffer(S->Flags, Pcm, Pcm, PerChannel, pOutput,
                               static_cast<int>(S->BufferSize));
  else
    Bytes = lame_encode_buffer_interleaved(S->Flags, Pcm, PerChannel, pOutput,
                                           static_cast<int>(S->BufferSize));
  if (Bytes < 0) return Bytes == -1 ? BE_ERR_BUFFER_TOO_SMALL : BE_ERR_INVALID_FORMAT_PARAMETERS;
  *pdwOutput = static_cast<uint32_t>(Bytes);
  return BE_ERR_SUCCESSFUL;
}

BE_ERR DeinitStream(HBE_STREAM hbeStream, uint8_t* pOutput, uint32_t* pdwOutput) {
  if (pdwOutput) *pdwOutput = 0;
  std::shared_ptr<TStream> S = FindStream(hbeStream);
  if (!S) return BE_ERR_INVALID_HANDLE;
  std::shared_lock<std::shared_mutex> Engine(EngineLock);
  std::lock_guard<std::mutex> Lock(S->Lock);
  if (!S->Flags || S->Flushed) return BE_ERR_INVALID_HANDLE;
  if (!pOutput || !pdwOutput) return BE_ERR_INVALID_FORMAT_PARAMETERS;
  int Bytes = lame_encode_flush(S->Flags, pOutput, static_cast<int>(S->BufferSize));
  S->Flushed = true;
  if (Bytes < 0) return BE_ERR_BUFFER_TOO_SMALL;
  *pdwOutput = static_cast<uint32_t>(Bytes);
  return BE_ERR_SUCCESSFUL;
}

BE_ERR CloseStream(HBE_STREAM hbeStream) {
  std::shared_ptr<TStream> S;
  {
    std::lock_guard<std::mutex> Lock(StreamsLock);
    if (hbeStream == 0 || hbeStream > Streams.size() || !Streams[hbeStream - 1])
      return BE_ERR_INVALID_HANDLE;
    S = std::move(Streams[hbeStream - 1]);
  }
  std::lock_guard<std::mutex> Lock(S->Lock);
  lame_close(S->Flags);
  S->Flags = nullptr;
  return BE_ERR_SUCCESSFUL;
}

BE_ERR WriteInfoTag(HBE_STREAM hbeStream, const char* lpszFileName) {
  std::shared_ptr<TStream> S = FindStream(hbeStream);
  if (!S) return BE_ERR_INVALID_HANDLE;
  std::shared_lock<std::shared_mutex> Engine(EngineLock);
  std::lock_guard<std::mutex> Lock(S->Lock);
  if (!S->Flags) return BE_ERR_INVALID_HANDLE;
  if (!lame_get_bWriteVbrTag(S->Flags)) return BE_ERR_SUCCESSFUL;
  if (!S->Flushed || !lpszFileName) return BE_ERR_INVALID_FORMAT_PARAMETERS;

  unsigned char Frame[2880];  // the largest MPEG audio layer III frame is 2881 bytes at most
  std::vector<unsigned char> Big;
  unsigned char* Tag = Frame;
  size_t Size = lame_get_lametag_frame(S->Flags, Frame, sizeof Frame);
  if (Size > sizeof Frame) {
    Big.resize(Size);
    Tag = Big.data();
    Size = lame_get_lametag_frame(S->Flags, Tag, Big.size());
  }
  if (Size == 0 || Size > (Big.empty() ? sizeof Frame : Big.size()))
    return BE_ERR_INVALID_FORMAT_PARAMETERS;

  int Fd = open(lpszFileName, O_RDWR | O_CLOEXEC);
  if (Fd < 0) return BE_ERR_INVALID_FORMAT_PARAMETERS;
  BE_ERR Result = BE_ERR_INVALID_FORMAT_PARAMETERS;
  // The reserved frame follows an ID3v2 tag when the file begins with one.
  unsigned char Head[10];
  off_t Where = 0;
  if (ReadAll(Fd, Head, sizeof Head, 0)) {
    if (std::memcmp(Head, "ID3", 3) == 0 && Head[3] != 0xFF && Head[4] != 0xFF &&
        ((Head[6] | Head[7] | Head[8] | Head[9]) & 0x80) == 0) {
      Where =
          10 + ((off_t{Head[6]} << 21) | (off_t{Head[7]} << 14) | (off_t{Head[8]} << 7) | Head[9]);
      if (Head[5] & 0x10) Where += 10;  // footer present
    }
    unsigned char Sync[4];
    // Write only over the reserved frame: same frame sync and header as the tag's.
    if (ReadAll(Fd, Sync, sizeof Sync, Where) && Sync[0] == 0xFF && (Sync[1] & 0xE0) == 0xE0 &&
        Sync[1] == Tag[1] && (Sync[2] & 0xF0) == (Tag[2] & 0xF0) && WriteAll(Fd, Tag, Size, Where))
      Result = BE_ERR_SUCCESSFUL;
  }
  if (close(Fd) != 0) Result = BE_ERR_INVALID_FORMAT_PARAMETERS;
  return Result;
}

}  // namespace

// The exported functions: an exception inside becomes an error result, so
// none crosses the C interface.
extern "C" {

void beVersion(PBE_VERSION V) {
  try {
    Version(V);
  } catch (...) {
  }
}

BE_ERR beInitStream(PBE_CONFIG pbeConfig, uint32_t* dwSamples, uint32_t* dwBufferSize,
                    HBE_STREAM* phbeStream) {
  return tolvar::NoThrowCall<BE_ERR>(BE_ERR_NO_MORE_HANDLES, [&] {
    return InitStream(pbeConfig, dwSamples, dwBufferSize, phbeStream);
  });
}

BE_ERR beEncodeChunk(HBE_STREAM hbeStream, uint32_t nSamples, const int16_t* pSamples,
                     uint8_t* pOutput, uint32_t* pdwOutput) {
  return tolvar::NoThrowCall<BE_ERR>(BE_ERR_INVALID_FORMAT_PARAMETERS, [&] {
    return EncodeChunk(hbeStream, nSamples, pSamples, pOutput, pdwOutput);
  });
}

BE_ERR beDeinitStream(HBE_STREAM hbeStream, uint8_t* pOutput, uint32_t* pdwOutput) {
  return tolvar::NoThrowCall<BE_ERR>(BE_ERR_INVALID_FORMAT_PARAMETERS,
                                     [&] { return DeinitStream(hbeStream, pOutput, pdwOutput); });
}

BE_ERR beCloseStream(HBE_STREAM hbeStream) {
  return tolvar::NoThrowCall<BE_ERR>(BE_ERR_INVALID_HANDLE, [&] { return CloseStream(hbeStream); });
}

BE_ERR beWriteInfoTag(HBE_STREAM hbeStream, const char* lpszFileName) {
  return tolvar::NoThrowCall<BE_ERR>(BE_ERR_INVALID_FORMAT_PARAMETERS,
                                     [&] { return WriteInfoTag(hbeStream, lpszFileName); });
}

}  // extern "C"
