#include "Player.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <vector>

#include "AudioOutput.h"
#include "CDRipTypes.h"
#include "Drive.h"

namespace tolvar::cdrip {

namespace {

// Sectors per write: a fifteenth of a second, so pause and stop take effect
// at once.
constexpr int32_t kSliceSectors = 5;
constexpr int64_t kFramesPerSector = kSectorBytes / 4;
constexpr int64_t kSampleRate = 44100;

void SwapBytes(uint8_t* Bytes, size_t Size) {
  for (size_t I = 0; I + 1 < Size; I += 2) std::swap(Bytes[I], Bytes[I + 1]);
}

}  // namespace

TPlayer::~TPlayer() {
  Stop();
  CloseAudioLibrary();
}

void TPlayer::Play(const void* Source, std::shared_ptr<TMedia> Media, int32_t First, int32_t Last,
                   bool BigEndian) {
  Stop();
  std::lock_guard<std::mutex> Hold(Lock);
  State = TState::Playing;
  Drive = Source;
  Thread = std::thread(&TPlayer::Run, this, std::move(Media), First, Last, BigEndian);
}

bool TPlayer::Pause(bool On) {
  std::lock_guard<std::mutex> Hold(Lock);
  if (State != TState::Playing && State != TState::Paused) return false;
  State = On ? TState::Paused : TState::Playing;
  Changed.notify_all();
  return true;
}

void TPlayer::Stop() {
  {
    std::lock_guard<std::mutex> Hold(Lock);
    StopRequested = true;
    Changed.notify_all();
  }
  if (Thread.joinable()) Thread.join();
  std::lock_guard<std::mutex> Hold(Lock);
  StopRequested = false;
  State = TState::None;
  Drive = nullptr;
}

int32_t TPlayer::Status() const {
  std::lock_guard<std::mutex> Hold(Lock);
  switch (State) {
    case TState::Playing:
      return kDriveStatusPlaying;
    case TState::Paused:
      return kDriveStatusPaused;
    case TState::Completed:
      return kDriveStatusCompleted;
    case TState::Failed:
      return kDriveStatusError;
    default:
      return kDriveStatusNone;
  }
}

bool TPlayer::InProgress() const {
  std::lock_guard<std::mutex> Hold(Lock);
  return State == TState::Playing || State == TState::Paused;
}

const void* TPlayer::Source() const {
  std::lock_guard<std::mutex> Hold(Lock);
  return Drive;
}

bool TPlayer::Proceed(bool& Restart) {
  std::unique_lock<std::mutex> Hold(Lock);
  Restart = State == TState::Paused;
  Changed.wait(Hold, [&] { return StopRequested || State != TState::Paused; });
  return !StopRequested;
}

void TPlayer::Run(std::shared_ptr<TMedia> Media, int32_t First, int32_t Last,
                  bool BigEndian) noexcept {
  TState End = TState::Failed;
  try {
    End = PlaySectors(*Media, First, Last, BigEndian);
  } catch (...) {
  }
  try {
    std::lock_guard<std::mutex> Hold(Lock);
    if (!StopRequested) State = End;
  } catch (...) {
  }
}

TPlayer::TState TPlayer::PlaySectors(TMedia& Media, int32_t First, int32_t Last, bool BigEndian) {
  std::unique_ptr<TAudioOutput> Output = OpenAudioOutput();
  std::vector<uint8_t> Buffer(static_cast<size_t>(kSliceSectors) * kSectorBytes);
  // An output that does not keep time is paced here: Played frames since Clock.
  auto Clock = std::chrono::steady_clock::now();
  int64_t Played = 0;
  TState End = TState::Completed;
  for (int32_t Next = First; Next <= Last;) {
    bool Restart = false;
    if (!Proceed(Restart)) {
      End = TState::None;
      break;
    }
    if (Restart) {
      Clock = std::chrono::steady_clock::now();
      Played = 0;
    }
    int32_t Count = std::min(kSliceSectors, Last - Next + 1);
    size_t Size = static_cast<size_t>(Count) * kSectorBytes;
    if (Media.ReadAudio(Next, Count, Buffer.data())) {
      if (BigEndian) SwapBytes(Buffer.data(), Size);
    } else if (Media.Gone) {
      End = TState::Failed;
      break;
    } else {
      std::memset(Buffer.data(), 0, Size);  // what cannot be read plays as silence
    }
    if (!Output->Write(Buffer.data(), Size)) {
      End = TState::Failed;
      break;
    }
    Next += Count;
    if (!Output->KeepsTime()) {
      Played += Count * kFramesPerSector;
      auto Due = Clock + std::chrono::microseconds(Played * 1000000 / kSampleRate);
      std::unique_lock<std::mutex> Hold(Lock);
      Changed.wait_until(Hold, Due, [&] { return StopRequested || State == TState::Paused; });
    }
  }
  // A sound device plays out what it still holds before it closes.
  Output.reset();
  return End;
}

}  // namespace tolvar::cdrip
