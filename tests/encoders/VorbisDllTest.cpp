// The Vorbis library through its run-time loader, checked with the Ogg tools.
#include "encoders/VorbisDll.h"

#include <dlfcn.h>

#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <new>
#include <vector>

#include <gtest/gtest.h>

#include "TestSupport.h"

using namespace tolvar;
using tolvar::fixtures::RunCommand;
using tolvar::fixtures::ShellQuote;
using tolvar::fixtures::TTempDir;

namespace {

// Allocations this program may still make before one fails; -1: no failure.
std::atomic<int> AllocationsLeft{-1};

void* Allocate(std::size_t Size) {
  if (AllocationsLeft.load() >= 0 && AllocationsLeft.fetch_sub(1) == 0) throw std::bad_alloc();
  if (void* P = std::malloc(Size ? Size : 1)) return P;
  throw std::bad_alloc();
}

}  // namespace

// Every allocation of the program goes through Allocate, also those of the
// libraries it loads, so a test can make one of them fail.
void* operator new(std::size_t Size) {
  return Allocate(Size);
}
void* operator new[](std::size_t Size) {
  return Allocate(Size);
}
void* operator new(std::size_t Size, const std::nothrow_t&) noexcept {
  try {
    return Allocate(Size);
  } catch (...) {
    return nullptr;
  }
}
void* operator new[](std::size_t Size, const std::nothrow_t& Tag) noexcept {
  return operator new(Size, Tag);
}
void operator delete(void* P) noexcept {
  std::free(P);
}
void operator delete[](void* P) noexcept {
  std::free(P);
}
void operator delete(void* P, std::size_t) noexcept {
  std::free(P);
}
void operator delete[](void* P, std::size_t) noexcept {
  std::free(P);
}

namespace {

TVbEncConfig Config(float Quality) {
  TVbEncConfig C{};
  C.Size = sizeof C;
  C.Channels = 2;
  C.SampleRate = 44100;
  C.Quality = Quality;
  return C;
}

// Encodes Frames stereo frames of a 440/660 Hz tone into Path.
void EncodeTone(const std::string& Path, uint32_t Frames, const TVbStreamInfo* Info) {
  LoadVorbis();
  ASSERT_TRUE(VorbisReady());
  const TVorbisLib& V = Vorbis();
  TVbEncConfig C = Config(0.4f);
  uint32_t SamplesPerWrite = 0, OutSize = 0;
  void* Stream = nullptr;
  ASSERT_EQ(V.vbEncOpen(&C, Info, &SamplesPerWrite, &OutSize, &Stream), 0);
  ASSERT_GT(SamplesPerWrite, 0u);
  std::vector<uint8_t> Out(OutSize);
  std::vector<int16_t> Pcm(SamplesPerWrite);
  std::unique_ptr<FILE, int (*)(FILE*)> File(fopen(Path.c_str(), "wb"), fclose);
  uint32_t Done = 0;
  while (Done < Frames) {
    uint32_t Now = std::min(Frames - Done, SamplesPerWrite / 2);
    for (uint32_t F = 0; F < Now; ++F) {
      double T = (Done + F) / 44100.0;
      Pcm[2 * F] = static_cast<int16_t>(8000 * std::sin(2 * M_PI * 440 * T));
      Pcm[2 * F + 1] = static_cast<int16_t>(8000 * std::sin(2 * M_PI * 660 * T));
    }
    uint32_t Produced = 0;
    ASSERT_EQ(V.vbEncWrite(Stream, Now * 2, Pcm.data(), Out.data(), &Produced), 0);
    ASSERT_LE(Produced, OutSize);
    fwrite(Out.data(), 1, Produced, File.get());
    Done += Now;
  }
  uint32_t Produced = 0;
  ASSERT_EQ(V.vbEncClose(Stream, Out.data(), &Produced), 0);
  fwrite(Out.data(), 1, Produced, File.get());
}

}  // namespace

TEST(VorbisLibrary, LoadsFromTheProgramFolderAndReportsItsVersion) {
  LoadVorbis();
  LoadVorbis();  // a second call changes nothing
  ASSERT_TRUE(VorbisReady());
  std::string Text = VorbisVersionText();
  EXPECT_EQ(Text.rfind("Ver 1.00 (Engine Ver : 1.", 0), 0u) << Text;
  EXPECT_NE(Text.find(", Date : "), std::string::npos) << Text;
  EXPECT_EQ(Text.back(), ')');

  TVbVersion V{2, 5, 1, 3, 4, 11, 2001};
  EXPECT_EQ(FormatVorbisVersion(V), "Ver 2.05 (Engine Ver : 1.03, Date : 2001-11-4)");
}

TEST(VorbisLibrary, WritesAStreamThatTheOggToolsAcceptWithItsComments) {
  TTempDir Dir;
  std::string Path = Dir / "tone.ogg";
  TVbStreamInfo Info{
      sizeof(TVbStreamInfo), 1, 1,  44,    1,        "Bj\xF6rk",  "Album", "Title \xE6\x98\x9F",
      "Ripped by Tolvar",    3, 12, "Pop", "Tolvar", "2026-12-07"};
  const uint32_t Frames = 3 * 44100 + 123;  // not a multiple of the write size
  EncodeTone(Path, Frames, &Info);

  std::string Info1 = RunCommand("ogginfo " + ShellQuote(Path));
  EXPECT_EQ(Info1.find("WARNING"), std::string::npos) << Info1;
  EXPECT_EQ(Info1.find("ERROR"), std::string::npos) << Info1;

  std::string Comments = RunCommand("vorbiscomment -l " + ShellQuote(Path));
  // UTF-8 texts pass whole; one that is not UTF-8 is read as Latin-1.
  EXPECT_NE(Comments.find("ARTIST=Bj\xC3\xB6rk\n"), std::string::npos) << Comments;
  EXPECT_NE(Comments.find("TITLE=Title \xE6\x98\x9F\n"), std::string::npos) << Comments;
  EXPECT_NE(Comments.find("ALBUM=Album\n"), std::string::npos);
  EXPECT_NE(Comments.find("COMMENT=Ripped by Tolvar\n"), std::string::npos);
  EXPECT_NE(Comments.find("TRACKNUMBER=3\n"), std::string::npos);
  EXPECT_NE(Comments.find("GENRE=Pop\n"), std::string::npos);
  EXPECT_NE(Comments.find("ENCODER=Tolvar\n"), std::string::npos);
  EXPECT_NE(Comments.find("DATE=2026-12-07\n"), std::string::npos);

  // Every frame that went in comes out again.
  std::string Raw = Dir / "tone.raw";
  RunCommand("oggdec -R -o " + ShellQuote(Raw) + " " + ShellQuote(Path));
  EXPECT_EQ(tolvar::fixtures::ReadFile(Raw).size(), size_t{Frames} * 4);
}

TEST(VorbisLibrary, RefusesBadRecordsAndOffersNoDecoder) {
  LoadVorbis();
  ASSERT_TRUE(VorbisReady());
  const TVorbisLib& V = Vorbis();
  uint32_t Samples, Size;
  void* Stream = nullptr;
  TVbEncConfig Bad = Config(0.4f);
  Bad.Size = 56;
  EXPECT_EQ(V.vbEncOpen(&Bad, nullptr, &Samples, &Size, &Stream), VB_ERR_PARAMETER);
  TVbEncConfig Channels = Config(0.4f);
  Channels.Channels = 6;
  EXPECT_EQ(V.vbEncOpen(&Channels, nullptr, &Samples, &Size, &Stream), VB_ERR_FORMAT);
  EXPECT_EQ(Stream, nullptr);

  // No stream information: a valid stream without comments.
  TVbEncConfig Good = Config(1.0f);
  ASSERT_EQ(V.vbEncOpen(&Good, nullptr, &Samples, &Size, &Stream), 0);
  std::vector<uint8_t> Out(Size);
  uint32_t Produced = 0;
  EXPECT_EQ(V.vbEncClose(Stream, Out.data(), &Produced), 0);
  EXPECT_GT(Produced, 0u);  // the headers

  // The decoder names exist but refuse.
  void* Lib = dlopen((std::string(TOLVAR_BIN_DIR) + "/" + kVorbisLibraryName).c_str(), RTLD_NOW);
  ASSERT_NE(Lib, nullptr);
  auto DecOpen = reinterpret_cast<int (*)()>(dlsym(Lib, "vbDecOpen"));
  ASSERT_NE(DecOpen, nullptr);
  EXPECT_EQ(DecOpen(), VB_ERR_UNSUPPORTED);
  dlclose(Lib);
}

TEST(VorbisLibrary, AnAllocationThatFailsInsideIsAnErrorResult) {
  LoadVorbis();
  ASSERT_TRUE(VorbisReady());
  const TVorbisLib& V = Vorbis();
  TVbEncConfig Good = Config(0.4f);
  uint32_t Samples = 0, Size = 0;
  void* Stream = nullptr;
  AllocationsLeft = 1;  // the stream record, then its first page fails
  int Code = -1;
  EXPECT_NO_THROW(Code = V.vbEncOpen(&Good, nullptr, &Samples, &Size, &Stream));
  AllocationsLeft = -1;
  EXPECT_EQ(Code, VB_ERR_ENCODER);
  EXPECT_EQ(Stream, nullptr);
}
