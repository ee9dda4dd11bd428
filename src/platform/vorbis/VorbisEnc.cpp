// Ogg Vorbis encoding over libvorbisenc and libogg behind the small C
// interface of VorbisEnc.h.
#include "VorbisEnc.h"

#include <vorbis/vorbisenc.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "util/NoThrow.h"
#include "util/TextEncoding.h"

namespace {

// Interleaved 16-bit samples per vbEncWrite: 2048 stereo frames.
constexpr uint32_t kSamplesPerWrite = 4096;
// Room for what one write (or the final flush) can produce, headers included.
constexpr uint32_t kOutputBufferSize = 256 * 1024;

struct TStream {
  vorbis_info Info;
  vorbis_comment Comment;
  vorbis_dsp_state Dsp;
  vorbis_block Block;
  ogg_stream_state Ogg;
  int Channels = 2;
  std::vector<uint8_t> Pending;  // pages not handed out yet
  bool InfoReady = false, DspReady = false, BlockReady = false, OggReady = false;

  TStream() {
    vorbis_info_init(&Info);
    vorbis_comment_init(&Comment);
  }
  ~TStream() {
    if (OggReady) ogg_stream_clear(&Ogg);
    if (BlockReady) vorbis_block_clear(&Block);
    if (DspReady) vorbis_dsp_clear(&Dsp);
    vorbis_comment_clear(&Comment);
    vorbis_info_clear(&Info);
  }

  void Append(const ogg_page& Page) {
    Pending.insert(Pending.end(), Page.header, Page.header + Page.header_len);
    Pending.insert(Pending.end(), Page.body, Page.body + Page.body_len);
  }

  // Runs the analysis on everything submitted and collects the finished pages.
  void Drain() {
    ogg_packet Packet;
    ogg_page Page;
    while (vorbis_analysis_blockout(&Dsp, &Block) == 1) {
      vorbis_analysis(&Block, nullptr);
      vorbis_bitrate_addblock(&Block);
      while (vorbis_bitrate_flushpacket(&Dsp, &Packet)) {
        ogg_stream_packetin(&Ogg, &Packet);
        while (ogg_stream_pageout(&Ogg, &Page)) Append(Page);
      }
    }
  }

  // Hands out as much pending output as fits; the rest waits for the next call.
  uint32_t Deliver(uint8_t* Output) {
    uint32_t Count = static_cast<uint32_t>(std::min<size_t>(Pending.size(), kOutputBufferSize));
    std::memcpy(Output, Pending.data(), Count);
    Pending.erase(Pending.begin(), Pending.begin() + Count);
    return Count;
  }
};

// Comments are UTF-8; a caller's text that is not is taken as Latin-1.
void AddComment(vorbis_comment& Comment, const char* Tag, const char* Text) {
  if (!Text || !*Text) return;
  vorbis_comment_add_tag(&Comment, Tag, tolvar::Utf8OrLatin1(Text).c_str());
}

int EncOpen(const TVbEncConfig* Config, const TVbStreamInfo* Info, uint32_t* SamplesPerWrite,
            uint32_t* OutputBufferSize, void** Handle) {
  if (!Config || !SamplesPerWrite || !OutputBufferSize || !Handle ||
      Config->Size != sizeof(TVbEncConfig))
    return VB_ERR_PARAMETER;
  if (Info && Info->Size != sizeof(TVbStreamInfo)) return VB_ERR_PARAMETER;
  if (Config->Channels < 1 || Config->Channels > 2 || Config->SampleRate < 8000 ||
      Config->SampleRate > 192000)
    return VB_ERR_FORMAT;
  std::unique_ptr<TStream> Stream(new (std::nothrow) TStream);
  if (!Stream) return VB_ERR_ENCODER;
  Stream->Channels = static_cast<int>(Config->Channels);
  float Quality = std::clamp(Config->Quality, -0.1f, 1.0f);
  if (vorbis_encode_init_vbr(&Stream->Info, Stream->Channels, static_cast<long>(Config->SampleRate),
                             Quality) != 0) {
    return VB_ERR_ENCODER;
  }
  Stream->InfoReady = true;
  if (Info) {
    AddComment(Stream->Comment, "ARTIST", Info->Artist);
    AddComment(Stream->Comment, "ALBUM", Info->Album);
    AddComment(Stream->Comment, "TITLE", Info->Title);
    AddComment(Stream->Comment, "COMMENT", Info->Comment);
    if (Info->TrackNumber > 0)
      AddComment(Stream->Comment, "TRACKNUMBER", std::to_string(Info->TrackNumber).c_str());
    if (Info->TrackCount > 0)
      AddComment(Stream->Comment, "TRACKTOTAL", std::to_string(Info->TrackCount).c_str());
    AddComment(Stream->Comment, "GENRE", Info->Genre);
    AddComment(Stream->Comment, "ENCODER", Info->Encoder);
    AddComment(Stream->Comment, "DATE", Info->Date);
    for (uint32_t I = 0; Info->MoreComments && I < Info->MoreCount; ++I)
      if (Info->MoreComments[I]) vorbis_comment_add(&Stream->Comment, Info->MoreComments[I]);
  }
  vorbis_analysis_init(&Stream->Dsp, &Stream->Info);
  Stream->DspReady = true;
  vorbis_block_init(&Stream->Dsp, &Stream->Block);
  Stream->BlockReady = true;
  // A serial number that differs between files, as chained streams require
  // (also when several files are encoded at once).
  static std::atomic<int> Serial = 0x546f6c76;
  ogg_stream_init(&Stream->Ogg, Serial++);
  Stream->OggReady = true;

  ogg_packet Header, CommentHeader, CodeHeader;
  vorbis_analysis_headerout(&Stream->Dsp, &Stream->Comment, &Header, &CommentHeader, &CodeHeader);
  ogg_stream_packetin(&Stream->Ogg, &Header);
  ogg_stream_packetin(&Stream->Ogg, &CommentHeader);
  ogg_stream_packetin(&Stream->Ogg, &CodeHeader);
  // The headers stand alone on their pages so audio starts on a fresh page.
  ogg_page Page;
  while (ogg_stream_flush(&Stream->Ogg, &Page)) Stream->Append(Page);

  *SamplesPerWrite = kSamplesPerWrite;
  *OutputBufferSize = kOutputBufferSize;
  *Handle = Stream.release();
  return 0;
}

int EncWrite(void* Handle, uint32_t Samples, const int16_t* Input, uint8_t* Output,
             uint32_t* BytesProduced) {
  auto* Stream = static_cast<TStream*>(Handle);
  if (!Stream || !Output || !BytesProduced || (Samples > 0 && !Input)) return VB_ERR_PARAMETER;
  *BytesProduced = 0;
  uint32_t Frames = Samples / static_cast<uint32_t>(Stream->Channels);
  if (Frames > 0) {
    float** Buffer = vorbis_analysis_buffer(&Stream->Dsp, static_cast<int>(Frames));
    for (uint32_t F = 0; F < Frames; ++F)
      for (int C = 0; C < Stream->Channels; ++C)
        Buffer[C][F] = Input[F * Stream->Channels + C] / 32768.0f;
    vorbis_analysis_wrote(&Stream->Dsp, static_cast<int>(Frames));
    Stream->Drain();
  }
  *BytesProduced = Stream->Deliver(Output);
  return 0;
}

int EncClose(void* Handle, uint8_t* Output, uint32_t* BytesProduced) {
  // Freed on every way out.
  std::unique_ptr<TStream> Stream(static_cast<TStream*>(Handle));
  if (!Stream) return VB_ERR_PARAMETER;
  int Result = 0;
  if (!Output || !BytesProduced) {
    Result = VB_ERR_PARAMETER;
  } else {
    vorbis_analysis_wrote(&Stream->Dsp, 0);  // end of stream
    Stream->Drain();
    ogg_page Page;
    while (ogg_stream_flush(&Stream->Ogg, &Page)) Stream->Append(Page);
    *BytesProduced = Stream->Deliver(Output);
    if (!Stream->Pending.empty()) Result = VB_ERR_OVERFLOW;
  }
  return Result;
}

}  // namespace

// The exported functions: an exception inside becomes an error result, so
// none crosses the C interface.
extern "C" {

__attribute__((visibility("default"))) int vbEncOpen(const TVbEncConfig* Config,
                                                     const TVbStreamInfo* Info,
                                                     uint32_t* SamplesPerWrite,
                                                     uint32_t* OutputBufferSize, void** Handle) {
  return tolvar::NoThrowCall<int>(VB_ERR_ENCODER, [&] {
    return EncOpen(Config, Info, SamplesPerWrite, OutputBufferSize, Handle);
  });
}

__attribute__((visibility("default"))) int vbEncWrite(void* Handle, uint32_t Samples,
                                                      const int16_t* Input, uint8_t* Output,
                                                      uint32_t* BytesProduced) {
  return tolvar::NoThrowCall<int>(
      VB_ERR_ENCODER, [&] { return EncWrite(Handle, Samples, Input, Output, BytesProduced); });
}

__attribute__((visibility("default"))) int vbEncClose(void* Handle, uint8_t* Output,
                                                      uint32_t* BytesProduced) {
  return tolvar::NoThrowCall<int>(VB_ERR_ENCODER,
                                  [&] { return EncClose(Handle, Output, BytesProduced); });
}

__attribute__((visibility("default"))) int vbVersion(TVbVersion* Version) {
  if (!Version) return VB_ERR_PARAMETER;
  *Version = {};
  Version->Major = 1;
  Version->Minor = 0;
  // The engine is the libvorbis we run on: "Xiph.Org libVorbis 1.3.7".
  const char* Text = vorbis_version_string();
  const char* Digits = Text ? std::strpbrk(Text, "0123456789") : nullptr;
  unsigned Major = 0, Minor = 0;
  if (Digits && std::sscanf(Digits, "%u.%u", &Major, &Minor) == 2) {
    Version->EngineMajor = static_cast<uint8_t>(Major);
    Version->EngineMinor = static_cast<uint8_t>(Minor);
  }
  Version->Day = 7;
  Version->Month = 12;
  Version->Year = 2026;
  return 0;
}

// The decoder half of the interface is not offered.
__attribute__((visibility("default"))) int vbDecOpen(...) {
  return VB_ERR_UNSUPPORTED;
}
__attribute__((visibility("default"))) int vbDecRead(...) {
  return VB_ERR_UNSUPPORTED;
}
__attribute__((visibility("default"))) int vbDecSeek(...) {
  return VB_ERR_UNSUPPORTED;
}
__attribute__((visibility("default"))) int vbDecClose(...) {
  return VB_ERR_UNSUPPORTED;
}
}
