#pragma once
// Digital playback of a track: a thread of the library reads the track's
// sectors through TMedia::ReadAudio (the medium's Io lock keeps it from
// reading at the same time as an extraction) and streams them to the audio
// output (AudioOutput.h). The player holds its own reference to the medium,
// so a disc that leaves the drive while it plays is never freed under it.
//
// The CR_* entry points call the player under the library's state lock; the
// thread never takes that lock, so stopping (which waits for the thread)
// cannot deadlock.
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

namespace tolvar::cdrip {

class TMedia;

class TPlayer {
 public:
  TPlayer() = default;
  ~TPlayer();  // stops, then lets go of the sound library
  TPlayer(const TPlayer&) = delete;
  TPlayer& operator=(const TPlayer&) = delete;

  // Stops what plays, then plays sectors First..Last of Media, which Source
  // (the drive) holds. BigEndian: the medium returns big-endian samples.
  void Play(const void* Source, std::shared_ptr<TMedia> Media, int32_t First, int32_t Last,
            bool BigEndian);
  // Pauses (true) or resumes (false) a play in progress; false when nothing
  // is playing or paused.
  bool Pause(bool On);
  // Ends the play, if any, and waits for the thread; the status becomes 21.
  void Stop();
  // As an MMC drive answers: 17 playing, 18 paused, 19 completed, 20 stopped
  // by an error (the disc or the sound device went away), 21 nothing.
  int32_t Status() const;
  // Playing or paused.
  bool InProgress() const;
  // The drive of the last play (nullptr after Stop); only compared.
  const void* Source() const;

 private:
  enum class TState { None, Playing, Paused, Completed, Failed };
  // The thread's body: nothing leaves it; a failure ends the play with status 20.
  void Run(std::shared_ptr<TMedia> Media, int32_t First, int32_t Last, bool BigEndian) noexcept;
  // Plays the sectors; the state the play ends in.
  TState PlaySectors(TMedia& Media, int32_t First, int32_t Last, bool BigEndian);
  // Waits while paused; false when a stop was asked for. Restart is set when
  // the play resumed after a pause.
  bool Proceed(bool& Restart);

  mutable std::mutex Lock;
  std::condition_variable Changed;
  TState State = TState::None;
  bool StopRequested = false;
  const void* Drive = nullptr;
  std::thread Thread;
};

}  // namespace tolvar::cdrip
