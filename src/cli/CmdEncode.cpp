// tolvar-cli encode FILE... [encoder options]: WAV files (or raw 16-bit PCM)
// to MP3 files beside them, through the encoder component's EncodeFiles, as
// the window's "MP3 Encoder" page does. Prints each output path once written.
#include <unistd.h>

#include <cstdio>
#include <iostream>

#include "Commands.h"
#include "EncoderOptions.h"
#include "Interrupt.h"
#include "encoders/LameCoder.h"

namespace tolvar::cli {

int RunEncode(TContext&, TArgs& Args) {
  TLameCoder Coder;
  ApplyEncoderOptions(Args, Coder);
  std::vector<std::string> Files = Args.Positionals();
  if (Files.empty()) throw TUsageError("encode: no file given");
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
