// plain_read: the yardstick of the WAV rip benchmark. Reads a sector range
// of a CUE/BIN image with plain libcdio calls, in chunks of the CD library's
// default size, and writes it as a WAV file - what a ripper without
// paranoia, format conversion or progress reports would do.
//
//   plain_read IMAGE.cue FIRST LAST OUT.wav
#include <cdio/cdio.h>
#include <cdio/logging.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr int32_t kChunkSectors = 26;

void PutLe(std::string& Bytes, uint32_t Value, int Size) {
  for (int I = 0; I < Size; ++I) Bytes += static_cast<char>(Value >> (8 * I) & 0xFF);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: plain_read IMAGE.cue FIRST LAST OUT.wav\n");
    return 2;
  }
  cdio_log_set_handler([](cdio_log_level_t, const char*) {});
  const int32_t First = std::atoi(argv[2]), Last = std::atoi(argv[3]);
  CdIo_t* Cdio = cdio_open_cue(argv[1]);
  FILE* Out = std::fopen(argv[4], "wb");
  if (!Cdio || !Out || Last < First) {
    std::fprintf(stderr, "plain_read: cannot open %s or %s\n", argv[1], argv[4]);
    return 1;
  }
  const uint32_t Data = static_cast<uint32_t>(Last - First + 1) * CDIO_CD_FRAMESIZE_RAW;
  std::string Header = "RIFF";
  PutLe(Header, Data + 36, 4);
  Header += "WAVEfmt ";
  PutLe(Header, 16, 4);      // fmt chunk size
  PutLe(Header, 1, 2);       // PCM
  PutLe(Header, 2, 2);       // channels
  PutLe(Header, 44100, 4);   // sample rate
  PutLe(Header, 176400, 4);  // byte rate
  PutLe(Header, 4, 2);       // block align
  PutLe(Header, 16, 2);      // bits per sample
  Header += "data";
  PutLe(Header, Data, 4);
  std::fwrite(Header.data(), 1, Header.size(), Out);
  std::vector<uint8_t> Buffer(kChunkSectors * CDIO_CD_FRAMESIZE_RAW);
  for (int32_t S = First; S <= Last; S += kChunkSectors) {
    const uint32_t N = static_cast<uint32_t>(std::min(kChunkSectors, Last - S + 1));
    if (cdio_read_audio_sectors(Cdio, Buffer.data(), S, N) != DRIVER_OP_SUCCESS ||
        std::fwrite(Buffer.data(), CDIO_CD_FRAMESIZE_RAW, N, Out) != N) {
      std::fprintf(stderr, "plain_read: failed at sector %d\n", S);
      return 1;
    }
  }
  cdio_destroy(Cdio);
  return std::fclose(Out) == 0 ? 0 : 1;
}
