#include "OutputFormat.h"

#include <soxr.h>

#include <bit>
#include <cstring>
#include <stdexcept>
#include <string>

#include "CDRipTypes.h"

namespace tolvar::cdrip {

TFormatConverter::TFormatConverter(int32_t OutputFormat) {
  if (!OutputFormatShape(OutputFormat, OutChannels, OutRate))
    throw std::invalid_argument("unknown output format " + std::to_string(OutputFormat));
  if (OutRate == 44100) return;
  soxr_io_spec_t Io = soxr_io_spec(SOXR_INT16_I, SOXR_INT16_I);
  soxr_quality_spec_t Quality = soxr_quality_spec(SOXR_HQ, 0);
  soxr_error_t Error = nullptr;
  Resampler = soxr_create(44100.0, OutRate, static_cast<unsigned>(OutChannels), &Error, &Io,
                          &Quality, nullptr);
  if (!Resampler || Error)
    throw std::runtime_error(std::string("resampler: ") + (Error ? Error : "cannot start"));
}

TFormatConverter::~TFormatConverter() {
  if (Resampler) soxr_delete(Resampler);
}

void TFormatConverter::Append(const int16_t* Samples, size_t Count, std::vector<uint8_t>& Out) {
  size_t At = Out.size();
  Out.resize(At + Count * 2);
  // Little-endian 16-bit samples, as a WAV file holds them.
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(Out.data() + At, Samples, Count * 2);
    return;
  }
  for (size_t I = 0; I < Count; ++I) {
    uint16_t S = static_cast<uint16_t>(Samples[I]);
    Out[At + 2 * I] = static_cast<uint8_t>(S);
    Out[At + 2 * I + 1] = static_cast<uint8_t>(S >> 8);
  }
}

void TFormatConverter::Resample(const int16_t* In, size_t Frames, std::vector<uint8_t>& Out) {
  // Enough room for the frames that this input yields, plus what the
  // resampler may still hold from before; the loop drains the rest.
  size_t Room = Frames / 2 + 1024;
  Resampled.resize(Room * OutChannels);
  bool Flushing = In == nullptr;
  for (;;) {
    size_t Used = 0, Made = 0;
    soxr_error_t Error = soxr_process(Resampler, In, Frames, &Used, Resampled.data(), Room, &Made);
    if (Error) throw std::runtime_error(std::string("resampler: ") + Error);
    Append(Resampled.data(), Made * OutChannels, Out);
    if (In) {
      In += Used * OutChannels;
      Frames -= Used;
    }
    if (Flushing ? Made == 0 : (Frames == 0 && Made < Room)) break;
  }
}

void TFormatConverter::Convert(const int16_t* Stereo, size_t Frames, std::vector<uint8_t>& Out) {
  const int16_t* Samples = Stereo;
  if (OutChannels == 1) {
    Mono.resize(Frames);
    for (size_t I = 0; I < Frames; ++I)
      Mono[I] = static_cast<int16_t>((Stereo[2 * I] + Stereo[2 * I + 1]) >> 1);
    Samples = Mono.data();
  }
  if (!Resampler) {
    Append(Samples, Frames * OutChannels, Out);
    return;
  }
  if (Frames > 0) Resample(Samples, Frames, Out);
}

void TFormatConverter::Flush(std::vector<uint8_t>& Out) {
  if (Resampler) Resample(nullptr, 0, Out);
}

}  // namespace tolvar::cdrip
