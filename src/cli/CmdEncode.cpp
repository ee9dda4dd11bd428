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

// What the command shows of a run of either encoder: progress on a terminal,
// each finished file's path on stdout; Ctrl-C becomes the encoder's Cancel.
struct TEncodeRun {
  bool Terminal = isatty(STDERR_FILENO);
  std::string Current, CurrentOutput;

  void Begin(const std::string& Input, const std::string& Output) {
    Current = Input;
    CurrentOutput = Output;
  }
  void Progress(uint16_t Percent) const {
    if (Terminal) std::cerr << "\rEncoding " << Current << ": " << Percent << "%" << std::flush;
  }
  void End(const std::string& Output) const {
    if (Terminal) std::cerr << "\r\033[K" << std::flush;
    std::cout << Output << std::endl;
  }
  template <class TEncoder>
  int Run(TEncoder& Encoder) {
    Encoder.ProcessMessages = [&Encoder] {
      if (Interrupted()) Encoder.Cancel();
    };
    TInterruptGuard Guard;
    try {
      Encoder.EncodeFiles();
    } catch (...) {
      if (Terminal) std::cerr << '\n';
      throw;
    }
    if (Encoder.Canceled) {
      if (Terminal) std::cerr << '\n';
      throw TCommandError("encoding cancelled; the partial file " + CurrentOutput + " is kept");
    }
    return 0;
  }
};

}  // namespace

int RunEncode(TContext&, TArgs& Args) {
  const auto FormatText = Args.Value("--format").value_or("mp3");
  const auto Format = std::find(std::begin(kFormats), std::end(kFormats), FormatText);
  if (Format == std::end(kFormats))
    throw TUsageError("option --format: '" + FormatText + "' is not one of mp3|flac|opus|ogg");
  const bool Mp3 = Format == std::begin(kFormats);
  const TStreamSettings Settings = StreamOptions(
      Args, Mp3 ? TStreamFormat::Flac : kStreamFormats[Format - std::begin(kFormats) - 1]);
  TLameCoder Coder;
  ApplyEncoderOptions(Args, Coder);
  std::vector<std::string> Files = Args.Positionals();
  if (Files.empty()) throw TUsageError("encode: no file given");

  TEncodeRun Run;
  if (!Mp3) {
    TWavEncoder Encoder;
    Encoder.Settings = Settings;
    Encoder.SetInputFiles(Files);
    Encoder.OnBeginFile = [&](uint16_t Num, const std::string& Name) {
      Run.Begin(Name, Encoder.OutputFiles()[Num]);
    };
    Encoder.OnProgress = [&](uint16_t Percent) { Run.Progress(Percent); };
    Encoder.OnEndFile = [&](uint16_t, const std::string& Name) { Run.End(Name); };
    return Run.Run(Encoder);
  }
  Coder.SetInputFiles(Files);
  Coder.OnBeginFile = [&](TLameCoder& Sender, uint16_t Num, const std::string& Name) {
    Run.Begin(Name, Sender.OutputFiles()[Num]);
  };
  Coder.OnProgress = [&](TLameCoder&, uint16_t Percent) { Run.Progress(Percent); };
  Coder.OnEndFile = [&](TLameCoder&, uint16_t, const std::string& Name) { Run.End(Name); };
  return Run.Run(Coder);
}

}  // namespace tolvar::cli
