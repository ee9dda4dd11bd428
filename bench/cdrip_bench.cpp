// cdrip_bench: extraction throughput of the CD library on a disc image, in
// times real time, with paranoia and with plain reads, against plain
// cdio_read_audio_sectors on the same image (and, for scale, the cd-paranoia
// command when it is installed).
//
//   cdrip_bench [--minutes N] [--image FILE.cue] [--runs N]
//
// The image (generated in $TMPDIR unless given) is read once before timing so
// every run reads from the page cache: the figures compare the reading code,
// not the disk.
#include <cdio/cdio.h>
#include <cdio/logging.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "DiscImage.h"
#include "platform/cdrip/CDRip.h"
#include "platform/cdrip/CdDrives.h"

using namespace tolvar;
using namespace tolvar::cdrip;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int32_t kChunkSectors = 26;  // the library's default chunk

struct TRange {
  int32_t First = 0, Last = 0;
  double Seconds() const { return (Last - First + 1) / 75.0; }
};

double Time(const std::function<void()>& Body) {
  auto Start = Clock::now();
  Body();
  return std::chrono::duration<double>(Clock::now() - Start).count();
}

// Plain libcdio reads, as a program without paranoia would do them.
void ReadPlainCdio(const std::string& Cue, TRange R) {
  CdIo_t* Cdio = cdio_open_cue(Cue.c_str());
  if (!Cdio) {
    std::fprintf(stderr, "cannot open %s\n", Cue.c_str());
    std::exit(1);
  }
  std::vector<uint8_t> Buffer(kChunkSectors * CDIO_CD_FRAMESIZE_RAW);
  for (int32_t S = R.First; S <= R.Last; S += kChunkSectors) {
    uint32_t N = static_cast<uint32_t>(std::min(kChunkSectors, R.Last - S + 1));
    if (cdio_read_audio_sectors(Cdio, Buffer.data(), S, N) != DRIVER_OP_SUCCESS) {
      std::fprintf(stderr, "read failed at %d\n", S);
      std::exit(1);
    }
  }
  cdio_destroy(Cdio);
}

// The library: CR_OpenRipper .. CR_RipChunk .. CR_CloseRipper.
void ReadLibrary(TRange R, int32_t Jitter, int32_t Format) {
  TDriveParams P;
  CR_GetCDROMParameters(&P);
  P.JitterCorrection = Jitter;
  P.OutputFormat = Format;
  P.NumReadSectors = kChunkSectors;
  CR_SetCDROMParameters(&P);
  int32_t BufferBytes = 0;
  if (CR_OpenRipper(&BufferBytes, R.First, R.Last) != 0) {
    std::fprintf(stderr, "CR_OpenRipper failed\n");
    std::exit(1);
  }
  std::vector<uint8_t> Buffer(BufferBytes);
  int32_t Bytes = 0, Result;
  while ((Result = CR_RipChunk(Buffer.data(), &Bytes, nullptr)) != 4)
    if (Result == 1) {
      std::fprintf(stderr, "CR_RipChunk failed\n");
      std::exit(1);
    }
  CR_CloseRipper();
}

}  // namespace

int main(int argc, char** argv) {
  double Minutes = 10;
  int Runs = 3;
  std::string Cue;
  for (int I = 1; I < argc; ++I) {
    std::string A = argv[I];
    if (A == "--minutes" && I + 1 < argc)
      Minutes = std::atof(argv[++I]);
    else if (A == "--runs" && I + 1 < argc)
      Runs = std::max(1, std::atoi(argv[++I]));
    else if (A == "--image" && I + 1 < argc)
      Cue = argv[++I];
    else {
      std::fprintf(stderr, "usage: cdrip_bench [--minutes N] [--image FILE.cue] [--runs N]\n");
      return 2;
    }
  }
  cdio_log_set_handler([](cdio_log_level_t, const char*) {});

  std::string Folder;
  if (Cue.empty()) {
    const char* Tmp = std::getenv("TMPDIR");
    Folder = std::string(Tmp && *Tmp ? Tmp : "/tmp") + "/tolvar-bench-XXXXXX";
    if (!mkdtemp(Folder.data())) return 1;
    Cue = Folder + "/bench.cue";
    // Tracks of four minutes, as on a typical album.
    auto Sectors = static_cast<uint32_t>(Minutes * 60 * 75);
    std::vector<fixtures::TImageTrack> Tracks;
    for (uint32_t Left = Sectors; Left > 0;) {
      uint32_t N = std::min<uint32_t>(Left, 4 * 60 * 75);
      Tracks.push_back({N});
      Left -= N;
    }
    fixtures::WriteDiscImage(Cue, Tracks);
  }
  setenv(cdrip::kImagesVariable, Cue.c_str(), 1);
  setenv("TOLVAR_APPDIR", "/nonexistent/", 1);
  CR_Init("CDRipper.ini");
  CR_SetActiveCDROM(CR_GetNumCDROM() - 1);
  if (CR_ReadToc() != 0) {
    std::fprintf(stderr, "cannot read %s\n", Cue.c_str());
    return 1;
  }
  TTocEntry LeadOut{};
  CR_GetTocEntry2(CR_GetNumTocEntries(), &LeadOut);
  TRange Whole{0, LeadOut.StartSector - 1};

  ReadPlainCdio(Cue, Whole);  // warm the page cache

  struct TCase {
    const char* Name;
    std::function<void()> Body;
  } Cases[] = {
      {"cdio_read_audio_sectors (reference)", [&] { ReadPlainCdio(Cue, Whole); }},
      {"libcdrip, plain reads", [&] { ReadLibrary(Whole, 0, STEREO44100); }},
      {"libcdrip, paranoia", [&] { ReadLibrary(Whole, -1, STEREO44100); }},
      {"libcdrip, plain reads, MONO22050", [&] { ReadLibrary(Whole, 0, MONO22050); }},
      {"libcdrip, paranoia, MONO11025", [&] { ReadLibrary(Whole, -1, MONO11025); }},
  };
  // cd-paranoia on the same image, for scale: the same paranoia, as a program.
  std::string CdParanoia = "cd-paranoia -q -d '" + Cue + "' -w 1- /dev/null >/dev/null 2>&1";
  bool HaveCdParanoia = std::system("command -v cd-paranoia >/dev/null 2>&1") == 0;
  std::printf("Image: %s, %.1f minutes of audio, best of %d runs\n", Cue.c_str(),
              Whole.Seconds() / 60, Runs);
  std::printf("%-38s %12s %10s\n", "reader", "x real time", "vs ref");
  double Reference = 0;
  for (const TCase& C : Cases) {
    double Best = 1e30;
    for (int R = 0; R < Runs; ++R) Best = std::min(Best, Time(C.Body));
    double Speed = Whole.Seconds() / Best;
    if (Reference == 0) Reference = Speed;
    std::printf("%-38s %12.0f %10.2f\n", C.Name, Speed, Speed / Reference);
  }
  if (HaveCdParanoia) {
    double Best = 1e30;
    for (int R = 0; R < Runs; ++R)
      Best = std::min(Best, Time([&] {
                        if (std::system(CdParanoia.c_str()) != 0) std::exit(1);
                      }));
    double Speed = Whole.Seconds() / Best;
    std::printf("%-38s %12.0f %10.2f\n", "cd-paranoia command (full paranoia)", Speed,
                Speed / Reference);
  }
  if (!Folder.empty()) {
    std::remove((Folder + "/bench.cue").c_str());
    std::remove((Folder + "/bench.bin").c_str());
    rmdir(Folder.c_str());
  }
  return 0;
}
