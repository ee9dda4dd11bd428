// Embedding a cover image into the files a rip wrote: the ID3v2.3 APIC frame
// of an MP3 file, the METADATA_BLOCK_PICTURE comment of an Ogg Vorbis file.
#include <ogg/ogg.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <vector>

#include "CoverArt.h"
#include "net/HttpUrl.h"
#include "tags/ID3v2.h"

namespace tolvar {

namespace {

constexpr char kFrontCover = 3;  // picture type of ID3v2 and FLAC alike

std::string BigEndian32(uint32_t N) {
  return {static_cast<char>(N >> 24), static_cast<char>(N >> 16), static_cast<char>(N >> 8),
          static_cast<char>(N)};
}

uint32_t ReadBigEndian32(const std::string& S, size_t At) {
  auto B = [&](size_t I) { return static_cast<uint32_t>(static_cast<uint8_t>(S[At + I])); };
  return B(0) << 24 | B(1) << 16 | B(2) << 8 | B(3);
}

uint32_t ReadLittleEndian32(const std::string& S, size_t At) {
  auto B = [&](size_t I) { return static_cast<uint32_t>(static_cast<uint8_t>(S[At + I])); };
  return B(3) << 24 | B(2) << 16 | B(1) << 8 | B(0);
}

std::string LittleEndian32(uint32_t N) {
  return {static_cast<char>(N), static_cast<char>(N >> 8), static_cast<char>(N >> 16),
          static_cast<char>(N >> 24)};
}

// An APIC frame body holding a front cover: encoding, MIME type, type, description.
bool IsFrontCover(const std::string& Body) {
  const size_t MimeEnd = Body.find('\0', 1);
  return MimeEnd != std::string::npos && MimeEnd + 1 < Body.size() &&
         Body[MimeEnd + 1] == kFrontCover;
}

// The frames of the file's ID3v2.3 tag; false when it has a tag this code
// must not rewrite (another version, unsynchronised, extended header).
bool ReadFrames(const std::string& FileName, std::string& Frames) {
  TTagLayout Layout;
  if (!id3v2::ReadHeader(FileName, Layout)) return false;
  const auto& H = Layout.Header;
  if (std::memcmp(H.data(), "ID3", 3) != 0) return true;  // no tag yet
  if (H[3] != 3 || (H[5] & 0xC0) != 0) return false;
  const int64_t Size = id3v2::GetTagSize(Layout);
  if (Size < 10) return false;
  std::ifstream In(FileName, std::ios::binary);
  std::string Tag(static_cast<size_t>(Size), '\0');
  if (!In.read(Tag.data(), Size)) return false;
  for (size_t At = 10; At + 10 <= Tag.size() && Tag[At] != '\0';) {
    const uint32_t Length = ReadBigEndian32(Tag, At + 4);
    if (Length > Tag.size() - At - 10) break;
    const bool Old = Tag.compare(At, 4, "APIC") == 0 && IsFrontCover(Tag.substr(At + 10, Length));
    if (!Old) Frames += Tag.substr(At, 10 + Length);
    At += 10 + Length;
  }
  return true;
}

// ---- Ogg ----

struct TStdioCloser {
  void operator()(std::FILE* F) const { std::fclose(F); }
};
using TFile = std::unique_ptr<std::FILE, TStdioCloser>;

// The FLAC picture block a METADATA_BLOCK_PICTURE comment carries, Base64 coded.
std::string PictureComment(const TCoverImage& Image) {
  std::string Block = BigEndian32(kFrontCover) + BigEndian32(Image.Mime.size()) + Image.Mime +
                      BigEndian32(0) +                   // description
                      BigEndian32(0) + BigEndian32(0) +  // width, height: unknown
                      BigEndian32(0) + BigEndian32(0) +  // depth, colours: unknown
                      BigEndian32(Image.Bytes.size()) + Image.Bytes;
  return "METADATA_BLOCK_PICTURE=" + Base64Encode(Block);
}

// The comment header with Comment added and earlier pictures left out; empty
// when Packet is no Vorbis comment header.
std::string AddComment(const std::string& Packet, const std::string& Comment) {
  if (Packet.size() < 7 + 8 || Packet.compare(0, 7, "\x03vorbis") != 0) return {};
  size_t At = 7;
  auto Fits = [&](size_t N) { return N <= Packet.size() - At; };
  const uint32_t VendorLength = ReadLittleEndian32(Packet, At);
  At += 4;
  if (!Fits(size_t{VendorLength} + 4)) return {};
  const std::string Vendor = Packet.substr(At, VendorLength);
  At += VendorLength;
  const uint32_t Count = ReadLittleEndian32(Packet, At);
  At += 4;
  std::vector<std::string> Kept;
  for (uint32_t I = 0; I < Count; ++I) {
    if (!Fits(4)) return {};
    const uint32_t Length = ReadLittleEndian32(Packet, At);
    At += 4;
    if (!Fits(Length)) return {};
    std::string Text = Packet.substr(At, Length);
    At += Length;
    constexpr size_t kNameLength = sizeof "METADATA_BLOCK_PICTURE=" - 1;
    if (strncasecmp(Text.c_str(), "METADATA_BLOCK_PICTURE=", kNameLength) != 0)
      Kept.push_back(std::move(Text));
  }
  Kept.push_back(Comment);
  std::string Out = "\x03vorbis" + LittleEndian32(VendorLength) + Vendor +
                    LittleEndian32(static_cast<uint32_t>(Kept.size()));
  for (const std::string& Text : Kept) Out += LittleEndian32(Text.size()) + Text;
  return Out + '\x01';  // framing bit
}

bool WritePage(std::FILE* Out, const ogg_page& Page) {
  return std::fwrite(Page.header, 1, Page.header_len, Out) ==
             static_cast<size_t>(Page.header_len) &&
         std::fwrite(Page.body, 1, Page.body_len, Out) == static_cast<size_t>(Page.body_len);
}

// Copies In to Out with a new comment header: the three header packets are
// paged anew, every later page keeps its bytes but takes the next page number.
bool RewriteOgg(std::FILE* In, std::FILE* Out, const std::string& Comment) {
  ogg_sync_state Sync;
  ogg_stream_state OldStream, NewStream;
  ogg_sync_init(&Sync);
  bool StreamsOpen = false;
  struct TCleanup {
    ogg_sync_state& Sync;
    ogg_stream_state &A, &B;
    bool& Open;
    ~TCleanup() {
      ogg_sync_clear(&Sync);
      if (Open) {
        ogg_stream_clear(&A);
        ogg_stream_clear(&B);
      }
    }
  } Cleanup{Sync, OldStream, NewStream, StreamsOpen};

  std::vector<std::string> Headers;
  long PageShift = 0;  // new page number less the old one
  long HeaderPages = 0;
  bool HeadersDone = false;
  ogg_page Page;
  for (;;) {
    const int Got = ogg_sync_pageout(&Sync, &Page);
    if (Got < 0) continue;  // skipped bytes before a page
    if (Got == 0) {
      char* Buffer = ogg_sync_buffer(&Sync, 1 << 16);
      const size_t N = std::fread(Buffer, 1, 1 << 16, In);
      if (N == 0) break;
      ogg_sync_wrote(&Sync, static_cast<long>(N));
      continue;
    }
    if (HeadersDone) {
      // Audio pages of another stream would be a multiplexed file: not ours.
      if (ogg_page_serialno(&Page) != OldStream.serialno) return false;
      const long Number = ogg_page_pageno(&Page) + PageShift;
      for (int I = 0; I < 4; ++I)
        Page.header[18 + I] = static_cast<unsigned char>(Number >> (8 * I));
      ogg_page_checksum_set(&Page);
      if (!WritePage(Out, Page)) return false;
      continue;
    }
    if (!StreamsOpen) {
      ogg_stream_init(&OldStream, ogg_page_serialno(&Page));
      ogg_stream_init(&NewStream, ogg_page_serialno(&Page));
      StreamsOpen = true;
    }
    if (ogg_stream_pagein(&OldStream, &Page) != 0) return false;
    ++HeaderPages;
    ogg_packet Packet;
    while (Headers.size() < 3 && ogg_stream_packetout(&OldStream, &Packet) == 1)
      Headers.emplace_back(reinterpret_cast<char*>(Packet.packet), Packet.bytes);
    if (Headers.size() < 3) continue;
    // The setup header ends its page; audio starts on the next one.
    Headers[1] = AddComment(Headers[1], Comment);
    if (Headers[1].empty()) return false;
    long NewPages = 0;
    for (size_t I = 0; I < 3; ++I) {
      ogg_packet P{};
      P.packet = reinterpret_cast<unsigned char*>(Headers[I].data());
      P.bytes = static_cast<long>(Headers[I].size());
      P.b_o_s = I == 0;
      P.packetno = static_cast<ogg_int64_t>(I);
      ogg_stream_packetin(&NewStream, &P);
      // The identification header has a page of its own.
      if (I == 0 || I == 2) {
        ogg_page Fresh;
        while (ogg_stream_flush(&NewStream, &Fresh) != 0) {
          if (!WritePage(Out, Fresh)) return false;
          ++NewPages;
        }
      }
    }
    PageShift = NewPages - HeaderPages;
    HeadersDone = true;
  }
  return HeadersDone;
}

}  // namespace

bool EmbedCoverMp3(const std::string& FileName, const TCoverImage& Image) {
  if (Image.Empty()) return false;
  std::string Frames;
  if (!ReadFrames(FileName, Frames)) return false;
  const std::string Body =
      std::string(1, '\0') + Image.Mime + '\0' + kFrontCover + '\0' + Image.Bytes;
  Frames += "APIC" + BigEndian32(Body.size()) + std::string(2, '\0') + Body;
  Frames.append(1024, '\0');  // room for later edits in place
  const size_t Size = Frames.size();
  if (Size >= (1u << 28)) return false;
  std::string Tag = "ID3\x03";
  Tag += '\0';
  Tag += '\0';
  for (int Shift = 21; Shift >= 0; Shift -= 7) Tag += static_cast<char>((Size >> Shift) & 0x7F);
  return id3v2::RebuildFile(FileName, Tag + Frames);
}

bool EmbedCoverOgg(const std::string& FileName, const TCoverImage& Image) {
  if (Image.Empty()) return false;
  const std::string Temporary = FileName + "~";
  bool Ok = false;
  {
    TFile In(std::fopen(FileName.c_str(), "rb"));
    if (!In) return false;
    TFile Out(std::fopen(Temporary.c_str(), "wb"));
    if (!Out) return false;
    Ok = RewriteOgg(In.get(), Out.get(), PictureComment(Image));
    Ok = std::fflush(Out.get()) == 0 && fsync(fileno(Out.get())) == 0 && Ok;
  }
  if (Ok && std::rename(Temporary.c_str(), FileName.c_str()) == 0) return true;
  std::remove(Temporary.c_str());
  return false;
}

}  // namespace tolvar
