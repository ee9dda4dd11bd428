// tolvar-cli encode FILE... [options]: WAV files (or raw 16-bit PCM) to MP3
// files beside them, through the encoder component's EncodeFiles, as the
// window's "MP3 Encoder" page does; with --format flac|opus|ogg through the
// stream encoders instead. Prints each output path once written.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <iostream>

#include "Commands.h"
#include "EncoderOptions.h"
#include "Interrupt.h"
#include "TagOptions.h"
#include "encoders/LameCoder.h"
#include "encoders/WavEncoder.h"

namespace tolvar::cli {

namespace {

const char* const kFormats[] = {"mp3", "flac", "opus", "ogg"};
const TStreamFormat kStreamFormats[] = {TStreamFormat::Flac, TStreamFormat::Opus,
                                        TStreamFormat::Vorbis};

// The files into FLAC, Opus or Ogg Vorbis.
int EncodeStreams(const TStreamSettings& Settings, const std::vector<std::string>& Files) {
  TWavEncoder Encoder;
  Encoder.Settings = Settings;
  Encoder.SetInputFiles(Files);
  const bool Terminal = isatty(STDERR_FILENO);
  std::string Current, CurrentOutput;
  Encoder.OnBeginFile = [&](uint16_t Num, const std::string& Name) {
    Current = Name;
    CurrentOutput = Encoder.OutputFiles()[Num];
  };
  Encoder.OnProgress = [&](uint16_t Percent) {
    if (Terminal) std::cerr << "\rEncoding " << Current << ": " << Percent << "%" << std::flush;
  };
  Encoder.OnEndFile = [&](uint16_t, const std::string& Name) {
    if (Terminal) std::cerr << "\r\033[K" << std::flush;
    std::cout << Name << std::endl;
  };
  Encoder.ProcessMessages = [&] {
    if (Interrupted()) Encoder.Cancel();
  };
  TInterruptGuard Guard;
  try {
    Encoder.EncodeFiles();
  } catch (const EEncoderError& Error) {
    if (Terminal) std::cerr << '\n';
    throw TCommandError(Current + ": " + Error.what());
  }
  if (Encoder.Canceled) {
    if (Terminal) std::cerr << '\n';
    throw TCommandError("encoding cancelled; the partial file " + CurrentOutput + " is kept");
  }
  return 0;
}

}  // namespace

int RunEncode(TContext&, TArgs& Args) {
  const auto FormatText = Args.Value("--format").value_or("mp3");
  const auto Format = std::find(std::begin(kFormats), std::end(kFormats), FormatText);
  if (Format == std::end(kFormats))
    throw TUsageError("option --format: '" + FormatText + "' is not one of mp3|flac|opus|ogg");
  const TStreamSettings Settings = StreamOptions(
      Args, Format == std::begin(kFormats) ? TStreamFormat::Flac
                                           : kStreamFormats[Format - std::begin(kFormats) - 1]);
  TLameCoder Coder;
  ApplyEncoderOptions(Args, Coder);
  std::vector<std::string> Files = Args.Positionals();
  if (Files.empty()) throw TUsageError("encode: no file given");
  if (Format != std::begin(kFormats)) return EncodeStreams(Settings, Files);
  Coder.SetInputFiles(Files);

  const bool Terminal = isatty(STDERR_FILENO);
  std::string Current, CurrentOutput;
  Coder.OnBeginFile = [&](TLameCoder& Sender, uint16_t Num, const std::string& Name) {
    Current = Name;
    CurrentOutput = Sender.OutputFiles()[Num];
  };
  Coder.OnProgress = [&](TLameCoder&, uint16_t Percent) {
    if (Terminal) std::cerr << "\rEncoding " << Current << ": " << Percent << "%" << std::flush;
  };
  Coder.OnEndFile = [&](TLameCoder&, uint16_t, const std::string& Name) {
    if (Terminal) std::cerr << "\r\033[K" << std::flush;
    std::cout << Name << std::endl;
  };
  Coder.ProcessMessages = [&] {
    if (Interrupted()) Coder.Cancel();
  };

  TInterruptGuard Guard;
  try {
    Coder.EncodeFiles();
  } catch (...) {
    if (Terminal) std::cerr << '\n';
    throw;
  }
  if (Coder.Canceled) {
    if (Terminal) std::cerr << '\n';
    throw TCommandError("encoding cancelled; the partial file " + CurrentOutput + " is kept");
  }
  return 0;
}

}  // namespace tolvar::cli
