#pragma once
// Rips whose encoding runs beside the reading: the calling thread reads the
// disc track after track, as the one-track rip does, and hands each track's
// audio to one of up to Jobs encoding threads through a bounded queue, so
// the drive goes on reading while earlier tracks are encoded side by side.
//
// Everything the owner sees happens on the calling thread: the ripper's
// OnBeginTrack (before the track's range is opened), OnAudioRead,
// OnProgress (the reading) and ProcessMessages, and OnFileDone, in track
// order, once a file is complete. WAV and PCM rips have nothing to encode
// and, like every rip with one job, run as the ripper's own Rip and RipOgg.
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tolvar {

class TCDRipper;

class TRipPipeline {
 public:
  enum class TFileState {
    Whole,    // complete
    Stopped,  // cut short by Abort: kept as the one-track rip keeps it
    NotMade,  // the library refused the range, or the Ogg rip failed (shown already)
    Failed    // written in part and removed; Error says why
  };
  struct TFileDone {
    int Track = 0;  // the first track of the file
    std::string FileName;
    TFileState State = TFileState::Whole;
    std::string Error;
  };
  struct TJobProgress {
    int Track = 0;
    std::string FileName;
    int Percent = 0;  // of the track's audio encoded
  };

  // Audio read but not yet encoded, of all tracks together.
  static constexpr size_t kQueueLimit = 32u << 20;
  // The machine's core count, at least 1.
  static int DefaultJobs();

  TRipPipeline(TCDRipper& Ripper, int Jobs);
  // Stops every encoding thread after its current piece and waits for it.
  ~TRipPipeline();
  TRipPipeline(const TRipPipeline&) = delete;
  TRipPipeline& operator=(const TRipPipeline&) = delete;

  // Rips FirstTrack..LastTrack (-1: FirstTrack alone) into the ripper's
  // FileName with its settings and tags of this moment, as Ogg Vorbis when
  // Ogg is set (as RipOgg does), else as Rip does. Returns once the range is
  // read; files finished meanwhile are reported. False when the pipeline has
  // stopped (Abort or a failed file): nothing was ripped. Exceptions of the
  // reading (file creation, drive parameters) pass through as Rip's do.
  bool Rip(int FirstTrack, int LastTrack = -1, bool Ogg = false);
  // Waits for every file, reporting each, and throws ECDRIPError for the
  // first file that failed.
  void Finish();

  std::function<void(const TFileDone& File)> OnFileDone;
  // The encodes under way, whenever one of them moves on.
  std::function<void(const std::vector<TJobProgress>& Jobs)> OnJobsProgress;

 private:
  struct TWork;
  void Delegate(int FirstTrack, int LastTrack, bool Ogg);
  void ReadRange(TWork& Work, int32_t BufferBytes);
  void Queue(TWork& Work, const uint8_t* Bytes, size_t Count);
  void Pump();
  void Report(TWork& Work);
  void CancelAll();
  void WaitForAll();
  void StartWorkers();
  void WorkerLoop();
  void Encode(TWork& Work);
  void Between();

  TCDRipper& R;
  const int Jobs;
  std::mutex Lock;
  std::condition_variable WorkChanged;       // wakes the encoding threads
  std::condition_variable QueueChanged;      // wakes the calling thread
  std::deque<std::shared_ptr<TWork>> Works;  // not yet reported, in track order
  size_t Queued = 0;                         // bytes in the queues
  bool Cancelled = false;                    // every thread stops after its piece
  bool Failing = false;                      // a file failed: no further track is read
  bool Quit = false;
  std::vector<std::thread> Workers;
  std::string FirstFailure;
  std::vector<TJobProgress> Shown;
};

}  // namespace tolvar
