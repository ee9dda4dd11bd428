// tolvar-cli encode FILE... [options]: WAV files (or raw 16-bit PCM) to MP3
// files beside them, or with --format flac|opus|ogg through the stream
// encoders, --jobs files at a time as the window's "MP3 Encoder" page does.
// Prints each output path once written, in the order of the arguments.
#include <pthread.h>
#include <unistd.h>

#include <csignal>

#include <algorithm>
#include <chrono>
#include <iostream>

#include "CliOutput.h"
#include "Commands.h"
#include "EncoderOptions.h"
#include "Interrupt.h"
#include "TagOptions.h"
#include "encoders/LameCoder.h"
#include "encoders/ParallelEncodes.h"
#include "encoders/WavEncoder.h"

namespace tolvar::cli {

namespace {

const char* const kFormats[] = {"mp3", "flac", "opus", "ogg"};
const TStreamFormat kStreamFormats[] = {TStreamFormat::Flac, TStreamFormat::Opus,
                                        TStreamFormat::Vorbis};

// What the command shows of a batch: each finished file's path on stdout and,
// on a terminal, the progress of the files being encoded (one line when one
// file is encoded at a time, one bar per file when several are).
struct TEncodeView {
  const std::vector<std::string>& Inputs;
  const std::vector<std::string>& Outputs;
  bool Bars;
  bool Terminal;
  TJobBars JobBars;

  void Begin(size_t Index) {
    if (Terminal && Bars) JobBars.Show(Index, Inputs[Index], 0);
  }
  void Progress(size_t Index, uint16_t Percent) {
    if (!Terminal) return;
    if (Bars)
      JobBars.Show(Index, Inputs[Index], Percent);
    else
      std::cerr << "\rEncoding " << Inputs[Index] << ": " << Percent << "%" << std::flush;
  }
  void End(size_t Index) {
    if (Terminal && Bars) {
      JobBars.Remove(Index);
      JobBars.Erase();
    } else if (Terminal) {
      std::cerr << "\r\033[K" << std::flush;
    }
    std::cout << Outputs[Index] << std::endl;
    if (Terminal && Bars) JobBars.Draw();
  }
  // After the batch: a run that stopped leaves its progress on the screen.
  void Finish(bool Stopped) {
    if (!Terminal) return;
    if (Bars && !Stopped) JobBars.Erase();
    if (!Bars && Stopped) std::cerr << '\n';
  }
};

// While it lives, new threads start with Ctrl-C and SIGTERM blocked, so that
// the thread that waits for them takes the signals.
struct TWorkersIgnoreSignals {
  sigset_t Before;
  TWorkersIgnoreSignals() {
    sigset_t Signals;
    sigemptyset(&Signals);
    sigaddset(&Signals, SIGINT);
    sigaddset(&Signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &Signals, &Before);
  }
  ~TWorkersIgnoreSignals() { pthread_sigmask(SIG_SETMASK, &Before, nullptr); }
  TWorkersIgnoreSignals(const TWorkersIgnoreSignals&) = delete;
  TWorkersIgnoreSignals& operator=(const TWorkersIgnoreSignals&) = delete;
};

std::string CancelMessage(const std::vector<std::string>& Partial) {
  if (Partial.empty()) return "encoding cancelled";
  if (Partial.size() == 1) return "encoding cancelled; the partial file " + Partial[0] + " is kept";
  std::string List;
  for (const std::string& Name : Partial) List += (List.empty() ? "" : ", ") + Name;
  return "encoding cancelled; the partial files " + List + " are kept";
}

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
  const auto Jobs = static_cast<unsigned>(Args.Integer("--jobs", DefaultEncodeJobs(), 1, 64));
  std::vector<std::string> Files = Args.Positionals();
  if (Files.empty()) throw TUsageError("encode: no file given");

  std::vector<std::string> Outputs;
  TParallelEncodes::TEncodeFile Encode;
  if (Mp3) {
    Coder.SetInputFiles(Files);
    Outputs = Coder.OutputFiles();
    Encode = Mp3FileEncoder(Coder, Files, Outputs);
  } else {
    TWavEncoder Names;
    Names.Settings = Settings;
    Names.SetInputFiles(Files);
    Outputs = Names.OutputFiles();
    Encode = StreamFileEncoder(Settings, Files);
  }
  TParallelEncodes Batch(Files, Outputs, std::move(Encode));
  TEncodeView View{Files, Outputs, Jobs > 1 && Files.size() > 1, isatty(STDERR_FILENO) == 1, {}};
  Batch.OnBeginFile = [&](size_t Index) { View.Begin(Index); };
  Batch.OnProgress = [&](size_t Index, uint16_t Percent) { View.Progress(Index, Percent); };
  Batch.OnEndFile = [&](size_t Index) { View.End(Index); };
  {
    // Ctrl-C becomes the batch's Cancel.
    TInterruptGuard Guard;
    {
      TWorkersIgnoreSignals Blocked;
      Batch.Start(Jobs);
    }
    while (!Batch.WaitFor(std::chrono::milliseconds(50)))
      if (Interrupted()) Batch.Cancel();
  }
  std::vector<std::string> Partial;
  for (size_t Index : Batch.Stopped()) Partial.push_back(Outputs[Index]);
  try {
    Batch.Wait();
  } catch (...) {
    View.Finish(true);
    throw;
  }
  View.Finish(Batch.Canceled());
  if (Batch.Canceled()) throw TCommandError(CancelMessage(Partial));
  return 0;
}

}  // namespace tolvar::cli
