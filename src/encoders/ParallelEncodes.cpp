#include "ParallelEncodes.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>

#include "LameCoder.h"
#include "WavEncoder.h"

namespace tolvar {

namespace {

// The path as the file system sees it, so that "a.wav" and "./a.wav" meet.
std::string PathKey(const std::string& Path) {
  std::error_code Error;
  const auto Absolute = std::filesystem::absolute(Path, Error);
  if (Error) return Path;
  const auto Canonical = std::filesystem::weakly_canonical(Absolute, Error);
  return Error ? Absolute.lexically_normal().string() : Canonical.string();
}

}  // namespace

bool TParallelEncodes::TFile::Stopping() const {
  return Batch.Stop || Batch.FirstFailed < FIndex;
}

void TParallelEncodes::TFile::Progress(uint16_t Percent) {
  if (Percent == Last) return;
  Last = Percent;
  std::lock_guard<std::recursive_mutex> Guard(Batch.Lock);
  if (Batch.OnProgress) Batch.OnProgress(FIndex, Percent);
}

TParallelEncodes::TParallelEncodes(std::vector<std::string> InputPaths,
                                   std::vector<std::string> OutputPaths, TEncodeFile EncodeFile)
    : Inputs(std::move(InputPaths)),
      Outputs(std::move(OutputPaths)),
      SharedPaths(Inputs.size()),
      Encode(std::move(EncodeFile)),
      States(Inputs.size(), TState::Waiting),
      Failures(Inputs.size()) {
  Outputs.resize(Inputs.size());
  std::map<std::string, std::vector<size_t>> Users;  // path -> files reading or writing it
  for (size_t I = 0; I < Inputs.size(); ++I) {
    std::string In = PathKey(Inputs[I]), Out = PathKey(Outputs[I]);
    for (const std::string* Key : {&In, &Out}) {
      std::vector<size_t>& Earlier = Users[*Key];
      SharedPaths[I].insert(SharedPaths[I].end(), Earlier.begin(), Earlier.end());
      if (Earlier.empty() || Earlier.back() != I) Earlier.push_back(I);
    }
  }
}

TParallelEncodes::~TParallelEncodes() {
  Cancel();
  for (std::thread& Worker : Workers)
    if (Worker.joinable()) Worker.join();
}

void TParallelEncodes::Start(unsigned Jobs) {
  std::unique_lock<std::recursive_mutex> Guard(Lock);
  if (Started) return;
  Started = true;
  Jobs = std::max(1u, std::min<unsigned>(Jobs, static_cast<unsigned>(Inputs.size())));
  Running = Jobs;
  Guard.unlock();
  for (unsigned I = 0; I < Jobs; ++I) {
    try {
      Workers.emplace_back([this] { Work(); });
    } catch (...) {
      // The workers already running take every file; with none, the batch cannot run.
      Guard.lock();
      Running -= Jobs - I;
      Guard.unlock();
      if (I == 0) throw;
      break;
    }
  }
}

void TParallelEncodes::Cancel() {
  Stop = true;
  std::lock_guard<std::recursive_mutex> Guard(Lock);
  Changed.notify_all();
}

bool TParallelEncodes::Canceled() const {
  return Stop;
}

bool TParallelEncodes::Finished() const {
  std::lock_guard<std::recursive_mutex> Guard(Lock);
  return Started && Running == 0;
}

bool TParallelEncodes::WaitFor(std::chrono::milliseconds Timeout) {
  std::unique_lock<std::recursive_mutex> Guard(Lock);
  return Changed.wait_for(Guard, Timeout, [this] { return Started && Running == 0; });
}

void TParallelEncodes::Wait() {
  for (std::thread& Worker : Workers)
    if (Worker.joinable()) Worker.join();
  if (FirstFailed < Failures.size()) std::rethrow_exception(Failures[FirstFailed]);
}

std::vector<size_t> TParallelEncodes::Stopped() const {
  std::lock_guard<std::recursive_mutex> Guard(Lock);
  std::vector<size_t> Result;
  for (size_t I = 0; I < States.size(); ++I)
    if (States[I] == TState::Stopped && !Abandoned(I)) Result.push_back(I);
  return Result;
}

bool TParallelEncodes::Abandoned(size_t Index) const {
  return FirstFailed < Index;
}

bool TParallelEncodes::MustWait(size_t Index) const {
  return std::any_of(SharedPaths[Index].begin(), SharedPaths[Index].end(), [this](size_t Earlier) {
    return States[Earlier] == TState::Waiting || States[Earlier] == TState::Running;
  });
}

void TParallelEncodes::Work() {
  std::unique_lock<std::recursive_mutex> Guard(Lock);
  // Files start in order, and none after a failure: a run of one file after
  // another would not have reached them.
  while (!Stop && Next < Inputs.size() && FirstFailed == SIZE_MAX) {
    const size_t Index = Next++;
    Changed.wait(Guard, [&] { return Stop || Abandoned(Index) || !MustWait(Index); });
    if (Stop || Abandoned(Index)) {
      States[Index] = TState::Skipped;
      ReportInOrder();
      break;
    }
    EncodeOne(Guard, Index);
  }
  if (--Running == 0 && OnFinished) OnFinished();
  Changed.notify_all();
}

void TParallelEncodes::EncodeOne(std::unique_lock<std::recursive_mutex>& Guard, size_t Index) {
  States[Index] = TState::Running;
  std::exception_ptr Failure;
  bool Complete = false;
  try {
    if (OnBeginFile) OnBeginFile(Index);
    Guard.unlock();
    TFile File(*this, Index);
    Complete = Encode(File);
  } catch (...) {
    Failure = std::current_exception();
  }
  if (!Guard.owns_lock()) Guard.lock();
  if (Failure) {
    States[Index] = TState::Failed;
    Failures[Index] = Failure;
    if (Index < FirstFailed) FirstFailed = Index;
  } else {
    States[Index] = Complete ? TState::Done : TState::Stopped;
  }
  ReportInOrder();
  Changed.notify_all();
}

void TParallelEncodes::ReportInOrder() {
  for (; Reported < States.size(); ++Reported) {
    const TState State = States[Reported];
    if (State == TState::Waiting || State == TState::Running) return;
    if (Abandoned(Reported)) {
      if (State == TState::Done || State == TState::Stopped) Discard(Reported);
    } else if (State == TState::Done && OnEndFile) {
      try {
        OnEndFile(Reported);
      } catch (...) {
        States[Reported] = TState::Failed;
        Failures[Reported] = std::current_exception();
        if (Reported < FirstFailed) FirstFailed = Reported;
      }
    }
  }
}

void TParallelEncodes::Discard(size_t Index) const {
  // Only a regular file is ours to remove (never a device such as /dev/null).
  struct stat Info;
  if (lstat(Outputs[Index].c_str(), &Info) == 0 && S_ISREG(Info.st_mode))
    unlink(Outputs[Index].c_str());
}

TParallelEncodes::TEncodeFile Mp3FileEncoder(const TLameCoder& Settings,
                                             std::vector<std::string> Inputs,
                                             std::vector<std::string> Outputs) {
  auto Shared = std::make_shared<TLameCoder>();
  Shared->Assign(Settings);
  return [Shared, Inputs = std::move(Inputs),
          Outputs = std::move(Outputs)](TParallelEncodes::TFile& File) {
    TLameCoder Coder;
    Coder.Assign(*Shared);
    Coder.SetInputFiles({Inputs[File.Index()]});
    Coder.SetOutputFiles({Outputs[File.Index()]});
    Coder.OnProgress = [&File](TLameCoder&, uint16_t Percent) { File.Progress(Percent); };
    Coder.ProcessMessages = [&] {
      if (File.Stopping()) Coder.Cancel();
    };
    Coder.EncodeFiles();
    return !Coder.Canceled;
  };
}

TParallelEncodes::TEncodeFile StreamFileEncoder(const TStreamSettings& Settings,
                                                std::vector<std::string> Inputs) {
  return [Settings, Inputs = std::move(Inputs)](TParallelEncodes::TFile& File) {
    TWavEncoder Encoder;
    Encoder.Settings = Settings;
    Encoder.SetInputFiles({Inputs[File.Index()]});
    Encoder.OnProgress = [&File](uint16_t Percent) { File.Progress(Percent); };
    Encoder.ProcessMessages = [&] {
      if (File.Stopping()) Encoder.Cancel();
    };
    Encoder.EncodeFiles();
    return !Encoder.Canceled;
  };
}

unsigned DefaultEncodeJobs() {
  return std::max(1u, std::thread::hardware_concurrency());
}

}  // namespace tolvar
