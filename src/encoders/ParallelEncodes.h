#pragma once
// TParallelEncodes: a batch of files encoded several at a time, each on a
// thread of its own with an encoder of its own. Finished files are reported
// in the batch's order, and a failure ends the batch with the files one run
// after another would have left: those before the failed file complete,
// those after it are stopped and removed.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "StreamEncoder.h"

namespace tolvar {

class TLameCoder;

class TParallelEncodes {
 public:
  // What the encoding of one file sees of the batch.
  class TFile {
   public:
    size_t Index() const { return FIndex; }
    // True once the batch asks this file to stop after its current chunk.
    bool Stopping() const;
    // The file's progress; the batch's event fires only when the number changes.
    void Progress(uint16_t Percent);

   private:
    friend class TParallelEncodes;
    TFile(TParallelEncodes& Batch, size_t Index) : Batch(Batch), FIndex(Index) {}
    TParallelEncodes& Batch;
    size_t FIndex;
    int Last = -1;
  };
  // Encodes input File.Index() into Outputs[File.Index()]: true when the file
  // is complete, false when it stopped because it was asked to. Throws on
  // failure, with the unfinished output removed as the encoder's rules say.
  using TEncodeFile = std::function<bool(TFile& File)>;

  // Inputs and Outputs are the paths of each file; Encode runs on the workers.
  TParallelEncodes(std::vector<std::string> Inputs, std::vector<std::string> Outputs,
                   TEncodeFile Encode);
  ~TParallelEncodes();  // stops the workers after their current chunk and waits for them
  TParallelEncodes(const TParallelEncodes&) = delete;
  TParallelEncodes& operator=(const TParallelEncodes&) = delete;

  // Events, called on the worker threads, one at a time. They may call
  // Cancel, and must not wait for the batch.
  std::function<void(size_t Index)> OnBeginFile;
  std::function<void(size_t Index, uint16_t PercentComplete)> OnProgress;
  // File Index is complete, and so is every file before it, or it stopped on Cancel.
  std::function<void(size_t Index)> OnEndFile;
  // The last worker is about to end; Finished() is already true.
  std::function<void()> OnFinished;

  // Starts Jobs workers (at least one) on the files in order.
  void Start(unsigned Jobs);
  // Any thread: every running file stops after its current chunk, keeping
  // what its encoder keeps on Cancel; no further file starts.
  void Cancel();
  bool Canceled() const;
  bool Finished() const;
  // Waits for the workers up to Timeout; true once they have all ended.
  bool WaitFor(std::chrono::milliseconds Timeout);
  // Waits for the workers; rethrows the failure of the first file that failed.
  void Wait();
  // The files that stopped on Cancel before they were complete, in order.
  std::vector<size_t> Stopped() const;

 private:
  // Skipped: taken by a worker, then never started (Cancel, or a failure before it).
  enum class TState : uint8_t { Waiting, Running, Done, Stopped, Failed, Skipped };
  void Work();
  void EncodeOne(std::unique_lock<std::recursive_mutex>& Lock, size_t Index);
  bool Abandoned(size_t Index) const;  // after a failure of an earlier file
  bool MustWait(size_t Index) const;   // an earlier file with a path in common still runs
  void Discard(size_t Index) const;
  void ReportInOrder();

  std::vector<std::string> Inputs, Outputs;
  // For each file, the earlier files with a path in common (the same output,
  // or one's output the other's input): they never run side by side.
  std::vector<std::vector<size_t>> SharedPaths;
  TEncodeFile Encode;
  std::vector<std::thread> Workers;

  // Guards what follows and serialises the events; recursive, so that an
  // event may call Cancel.
  mutable std::recursive_mutex Lock;
  std::condition_variable_any Changed;
  std::vector<TState> States;
  std::vector<std::exception_ptr> Failures;
  size_t Next = 0;      // the next file to start
  size_t Reported = 0;  // files before it were reported
  size_t Running = 0;   // workers not yet ended
  bool Started = false;
  // Read by the files between their chunks, without the lock.
  std::atomic<size_t> FirstFailed = SIZE_MAX;
  std::atomic<bool> Stop = false;
};

// Encoding functions for a batch, each file with an encoder of its own: MP3
// with the settings of Settings, or the stream format of Settings.
TParallelEncodes::TEncodeFile Mp3FileEncoder(const TLameCoder& Settings,
                                             std::vector<std::string> Inputs,
                                             std::vector<std::string> Outputs);
// The outputs of a stream encoder are its TWavEncoder's: the inputs with the format's extension.
TParallelEncodes::TEncodeFile StreamFileEncoder(const TStreamSettings& Settings,
                                                std::vector<std::string> Inputs);

// How many files to encode at once when nobody says: one per core.
unsigned DefaultEncodeJobs();

}  // namespace tolvar
