#include "RipPipeline.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>

#include "CDRipper.h"
#include "OggRipInfo.h"
#include "RipFile.h"
#include "RipNames.h"
#include "TrackEncoder.h"
#include "encoders/LameCoder.h"
#include "encoders/VorbisDll.h"
#include "util/Dialogs.h"

namespace tolvar {

namespace {

// How long the calling thread waits before it lets messages through again.
constexpr auto kPatience = std::chrono::milliseconds(50);

}  // namespace

struct TRipPipeline::TWork {
  int Track = 0;
  std::string FileName, Target;
  std::unique_ptr<TTrackEncoder> Encoder;
  uint64_t Expected = 1;  // bytes of audio the range holds
  // Guarded by Lock:
  std::deque<std::vector<uint8_t>> Chunks;
  uint64_t Encoded = 0;
  bool Ended = false;        // the reading is over
  bool ReadStopped = false;  // ... before the end of the range
  std::string ReadFailure;   // ... because the disc failed
  bool Claimed = false, Done = false;
  TFileState State = TFileState::Whole;
  std::string Error;
};

int TRipPipeline::DefaultJobs() {
  return static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
}

TRipPipeline::TRipPipeline(TCDRipper& Ripper, int Jobs) : R(Ripper), Jobs(std::max(Jobs, 1)) {
  R.Cancel = false;  // an Abort from before is no stop of this job
}

TRipPipeline::~TRipPipeline() {
  {
    std::lock_guard<std::mutex> Hold(Lock);
    Quit = true;
  }
  CancelAll();
  for (std::thread& T : Workers) T.join();
}

void TRipPipeline::StartWorkers() {
  if (!Workers.empty()) return;
  for (int I = 0; I < Jobs; ++I) Workers.emplace_back([this] { WorkerLoop(); });
}

bool TRipPipeline::Rip(int FirstTrack, int LastTrack, bool Ogg) {
  Pump();
  {
    std::lock_guard<std::mutex> Hold(Lock);
    if (Cancelled || Failing) return false;
  }
  const bool Streaming = R.Encode && R.StreamEncoding;
  const bool Mp3 = R.Encode && R.Coder() && !Streaming;
  if (Jobs == 1 || !(Ogg || Mp3 || Streaming)) {
    Delegate(FirstTrack, LastTrack, Ogg);
    return true;
  }

  auto Work = std::make_shared<TWork>();
  Work->Track = FirstTrack;
  Work->FileName = R.FileName;
  // A file that is not made is still reported in its place.
  auto NotMade = [&] {
    Work->Claimed = Work->Done = true;
    Work->State = TFileState::NotMade;
    std::lock_guard<std::mutex> Hold(Lock);
    Works.push_back(Work);
    return true;
  };
  int32_t FirstSector = 0, LastSector = 0;
  TDriveParams Wanted = R.Params;
  if (Ogg) {
    // As RipOgg: the stream is stereo at 44100 Hz, read over DiscInfo's entries.
    if (!R.CheckDisc()) return NotMade();
    if (!VorbisReady()) {
      Dialogs().MessageBox("Vorbis.DLL is not ready.", "OK", TMsgKind::Information);
      return NotMade();
    }
    if (FirstTrack < 1 || FirstTrack > R.DiscInfo.TrackCount ||
        !R.DiscInfo.Entries[FirstTrack - 1].Audio) {
      R.SetStatus("Not a audio track - Track " + std::to_string(FirstTrack));
      return NotMade();
    }
    CR_StopPlayTrack();
    const int Upto = LastTrack == -1
                         ? FirstTrack
                         : std::clamp<int>(LastTrack, FirstTrack, R.DiscInfo.TrackCount);
    int64_t Sectors = 0;
    for (int T = FirstTrack; T <= Upto; ++T) Sectors += R.DiscInfo.Entries[T - 1].LengthSectors;
    FirstSector = R.DiscInfo.Entries[FirstTrack - 1].StartSector;
    LastSector = static_cast<int32_t>(FirstSector + Sectors - 1);
    if (Work->FileName.empty()) Work->FileName = "Track " + std::to_string(FirstTrack) + ".ogg";
    Wanted.OutputFormat = cdrip::STEREO44100;
  } else {
    const TTrack* First = R.GetTrack(FirstTrack - 1);
    const TTrack* Last = LastTrack == -1 ? First : R.GetTrack(LastTrack - 1);
    if (!First || !Last)
      throw ECDRIPError("Track " + std::to_string(First ? LastTrack : FirstTrack) +
                        " is not on the disc");
    FirstSector = First->StartSector;
    LastSector = Last->EndSector;
  }
  // Before the range is opened: the owner may read the track itself first.
  if (R.OnBeginTrack) R.OnBeginTrack(&R, static_cast<uint16_t>(FirstTrack));
  if (Ogg) {
    bool Applied = false;
    try {
      Applied = CR_SetCDROMParameters(Wanted) != cdrip::kCdexError;
    } catch (...) {
    }
    if (!Applied) {
      Dialogs().MessageBox("Invalid CD-ROM parameters", "OK", TMsgKind::Information);
      return NotMade();
    }
  } else if (!R.ApplyParameters()) {
    throw ECDRIPError("Invalid CD-ROM parameters");
  }

  int Channels = 2, SampleRate = 44100;
  if (!Ogg) cdrip::OutputFormatShape(R.OutputFormat(), Channels, SampleRate);
  const int64_t Sectors = std::max<int64_t>(int64_t{LastSector} - FirstSector + 1, 0);
  Work->Expected = std::max<uint64_t>(uint64_t(Sectors) * Channels * SampleRate * 2 / 75, 1);
  const TTagModel Tags = R.TagModel(FirstTrack, LastTrack);
  std::unique_ptr<TOggRipInfo> OggInfo;
  TVbEncConfig Config{};
  if (Ogg) {
    OggInfo = std::make_unique<TOggRipInfo>();
    R.OggRipInfo(FirstTrack, LastTrack, *OggInfo);
    Config.Size = sizeof Config;
    Config.Channels = 2;
    Config.SampleRate = 44100;
    Config.Quality = R.VorbisQuality;
    Work->Target = Work->FileName;
  } else {
    Work->Target =
        ChangeFileExt(Work->FileName, Streaming ? StreamFileExt(R.StreamEncoding->Format) : ".mp3");
  }

  R.Cancel = false;
  int32_t BufferBytes = 0;
  if (CR_OpenRipper(BufferBytes, FirstSector, LastSector) != cdrip::kCdexOk) {
    if (Ogg) Dialogs().MessageBox("Error : CR_OpenRipper", "OK", TMsgKind::Information);
    return NotMade();
  }
  struct TCloseRange {
    TCDRipper& R;
    ~TCloseRange() {
      try {
        R.FJittersNum = CR_GetNumberOfJitterErrors();
        CR_CloseRipper();
      } catch (...) {
      }
    }
  } CloseRange{R};

  auto File = std::make_unique<TRipFile>(Work->Target);
  if (Ogg)
    Work->Encoder = MakeOggTrackEncoder(Config, std::move(OggInfo), std::move(File));
  else if (Streaming)
    Work->Encoder = MakeStreamTrackEncoder(
        *R.StreamEncoding,
        {Channels, SampleRate, uint64_t(Sectors) * static_cast<uint64_t>(SampleRate) / 75}, Tags,
        std::move(File));
  else
    Work->Encoder =
        MakeMp3TrackEncoder(*R.Coder(), std::move(File), Work->Target, Work->FileName, Tags);
  {
    std::lock_guard<std::mutex> Hold(Lock);
    Works.push_back(Work);
  }
  StartWorkers();
  WorkChanged.notify_all();
  ReadRange(*Work, std::max(BufferBytes, 0));
  return true;
}

void TRipPipeline::ReadRange(TWork& Work, int32_t BufferBytes) {
  std::vector<uint8_t> Buffer(static_cast<size_t>(BufferBytes));
  bool Stopped = false;
  std::string Failure;
  std::exception_ptr Thrown;  // the owner's, from one of its events
  try {
    for (;;) {
      {
        std::lock_guard<std::mutex> Hold(Lock);
        if (Cancelled || Failing) {
          Stopped = true;
          break;
        }
      }
      int32_t Bytes = 0;
      const int32_t Result = CR_RipChunk(Buffer.data(), Bytes, false);
      Bytes = std::clamp(Bytes, 0, BufferBytes);
      if (Result != cdrip::kCdexError && Bytes > 0) {
        if (R.OnAudioRead) R.OnAudioRead(Buffer.data(), static_cast<size_t>(Bytes));
        Queue(Work, Buffer.data(), static_cast<size_t>(Bytes));
      }
      R.NoteChunk(Result);
      Between();
      // What was read after the disc went is no audio of it.
      if (!R.DiscInfoValid) {
        Failure = "the disc was removed while ripping " + Work.FileName;
        break;
      }
      if (Result == cdrip::kCdexRippingDone) break;
    }
  } catch (...) {
    Thrown = std::current_exception();
    Failure = "the rip of " + Work.FileName + " was interrupted";
  }
  {
    std::lock_guard<std::mutex> Hold(Lock);
    Work.Ended = true;
    Work.ReadStopped = Stopped;
    Work.ReadFailure = Failure;
    if (!Failure.empty()) Failing = true;
  }
  WorkChanged.notify_all();
  if (Thrown) std::rethrow_exception(Thrown);
}

void TRipPipeline::Queue(TWork& Work, const uint8_t* Bytes, size_t Count) {
  std::unique_lock<std::mutex> Hold(Lock);
  // The queue is full: wait for the encoders, letting messages through.
  while (Queued > 0 && Queued + Count > kQueueLimit && !Cancelled && !Failing && !Work.Done) {
    QueueChanged.wait_for(Hold, kPatience);
    Hold.unlock();
    Between();
    Hold.lock();
  }
  if (Cancelled || Work.Done) return;
  Work.Chunks.emplace_back(Bytes, Bytes + Count);
  Queued += Count;
  WorkChanged.notify_all();
}

void TRipPipeline::Between() {
  if (R.ProcessMessages) R.ProcessMessages();
  Pump();
}

void TRipPipeline::Pump() {
  if (R.Cancel) CancelAll();
  std::unique_lock<std::mutex> Hold(Lock);
  while (!Works.empty() && Works.front()->Done) {
    std::shared_ptr<TWork> Work = std::move(Works.front());
    Works.pop_front();
    Hold.unlock();
    Report(*Work);
    Hold.lock();
  }
  std::vector<TJobProgress> Now;
  for (const auto& Work : Works)
    if (Work->Claimed && !Work->Done)
      Now.push_back(
          {Work->Track, Work->FileName,
           static_cast<int>(std::min<uint64_t>(Work->Encoded * 100 / Work->Expected, 100))});
  Hold.unlock();
  const bool Moved = Now.size() != Shown.size() ||
                     !std::equal(Now.begin(), Now.end(), Shown.begin(), [](auto& A, auto& B) {
                       return A.Track == B.Track && A.Percent == B.Percent;
                     });
  if (!Moved) return;
  Shown = Now;
  if (OnJobsProgress) OnJobsProgress(Shown);
}

void TRipPipeline::Report(TWork& Work) {
  if (Work.State == TFileState::Failed && FirstFailure.empty()) FirstFailure = Work.Error;
  if (OnFileDone) OnFileDone({Work.Track, Work.FileName, Work.State, Work.Error});
}

void TRipPipeline::CancelAll() {
  std::vector<std::shared_ptr<TWork>> Dropped;
  {
    std::lock_guard<std::mutex> Hold(Lock);
    Cancelled = true;
    // Tracks no encoder has begun are not ripped: no file, no report.
    while (!Works.empty() && !Works.back()->Claimed) {
      TWork& Work = *Works.back();
      for (const auto& Chunk : Work.Chunks) Queued -= Chunk.size();
      Work.Chunks.clear();
      Work.Done = true;
      Dropped.push_back(std::move(Works.back()));
      Works.pop_back();
    }
  }
  WorkChanged.notify_all();
  QueueChanged.notify_all();
  for (const auto& Work : Dropped) {
    Work->Encoder.reset();
    unlink(Work->Target.c_str());
  }
}

void TRipPipeline::WaitForAll() {
  for (;;) {
    Pump();
    std::unique_lock<std::mutex> Hold(Lock);
    if (Works.empty()) return;
    QueueChanged.wait_for(Hold, kPatience);
    Hold.unlock();
    if (R.ProcessMessages) R.ProcessMessages();
  }
}

void TRipPipeline::Finish() {
  WaitForAll();
  if (!FirstFailure.empty()) throw ECDRIPError(std::exchange(FirstFailure, {}));
}

void TRipPipeline::Delegate(int FirstTrack, int LastTrack, bool Ogg) {
  // Earlier files first: reports keep the track order.
  WaitForAll();
  TFileDone Done{FirstTrack, R.FileName, TFileState::Whole, {}};
  R.Cancel = false;
  const bool Made = Ogg ? R.RipOgg(FirstTrack, LastTrack) : R.Rip(FirstTrack, LastTrack);
  if (R.Cancel) {
    Done.State = TFileState::Stopped;
    CancelAll();
  } else if (!Made) {
    Done.State = TFileState::NotMade;
  }
  if (OnFileDone) OnFileDone(Done);
}

void TRipPipeline::WorkerLoop() {
  std::unique_lock<std::mutex> Hold(Lock);
  for (;;) {
    std::shared_ptr<TWork> Next;
    WorkChanged.wait(Hold, [&] {
      for (const auto& Work : Works)
        if (!Work->Claimed) {
          Next = Work;
          return true;
        }
      return Quit;
    });
    if (!Next) return;
    Next->Claimed = true;
    Hold.unlock();
    Encode(*Next);
    QueueChanged.notify_all();
    Hold.lock();
  }
}

void TRipPipeline::Encode(TWork& Work) {
  TFileState State = TFileState::Whole;
  std::string Error;
  try {
    Work.Encoder->Start();
    for (;;) {
      std::vector<uint8_t> Chunk;
      {
        std::unique_lock<std::mutex> Hold(Lock);
        WorkChanged.wait(Hold, [&] { return Cancelled || !Work.Chunks.empty() || Work.Ended; });
        if (!Work.ReadFailure.empty()) throw ECDRIPError(Work.ReadFailure);
        if (Cancelled || Work.Chunks.empty()) {
          if (Cancelled || Work.ReadStopped) State = TFileState::Stopped;
          break;
        }
        Chunk = std::move(Work.Chunks.front());
        Work.Chunks.pop_front();
        Queued -= Chunk.size();
      }
      QueueChanged.notify_all();
      Work.Encoder->Write(Chunk.data(), Chunk.size());
      std::lock_guard<std::mutex> Hold(Lock);
      Work.Encoded += Chunk.size();
    }
    Work.Encoder->Finish();
  } catch (const std::exception& Failure) {
    State = TFileState::Failed;
    Error = Failure.what();
  }
  // Closed before it is reported; a failed file is no result.
  Work.Encoder.reset();
  if (State == TFileState::Failed) unlink(Work.Target.c_str());
  std::lock_guard<std::mutex> Hold(Lock);
  for (const auto& Chunk : Work.Chunks) Queued -= Chunk.size();
  Work.Chunks.clear();
  Work.State = State;
  Work.Error = Error;
  Work.Done = true;
  if (State == TFileState::Failed) Failing = true;
}

}  // namespace tolvar
