#include "RipVerification.h"

#include <algorithm>
#include <cstdio>

namespace tolvar {

namespace {

constexpr uint64_t kSectorFrames = 588;
// Chunks queued for the sums before the reader waits: a few seconds of audio.
constexpr size_t kQueueBytes = 4u << 20;

std::string TwoDigits(int N) {
  char Text[16];
  std::snprintf(Text, sizeof Text, "%02d", N);
  return Text;
}

}  // namespace

std::string ChecksumText(uint32_t Value) {
  char Text[9];
  std::snprintf(Text, sizeof Text, "%08X", Value);
  return Text;
}

TRipVerification::TRipVerification(const TAccurateRipId& Id, const std::vector<int32_t>& Sectors) {
  for (size_t I = 0; I < Id.Tracks.size(); ++I) {
    TTrackVerification T;
    T.Number = Id.Tracks[I];
    T.Frames = I < Sectors.size() ? uint64_t(std::max(Sectors[I], 0)) * kSectorFrames : 0;
    FTracks.push_back(std::move(T));
  }
  Worker = std::make_unique<TOrderedWorker>(
      [this](const uint8_t* Bytes, size_t Size) { FeedSums(Bytes, Size); }, kQueueBytes);
}

TRipVerification::~TRipVerification() {
  Worker.reset();
}

void TRipVerification::SetDatabase(std::vector<TArPressing> Pressings) {
  Worker->Drain();
  FPressings = std::move(Pressings);
  Asked = true;
  for (TTrackVerification& T : FTracks) Judge(T);
}

void TRipVerification::BeginTest(int Number) {
  Worker->Post([this, Number] { StartPass(Number, true); });
}

void TRipVerification::BeginCopy(int Number) {
  Worker->Post([this, Number] { StartPass(Number, false); });
}

void TRipVerification::StartPass(int Number, bool Test) {
  Sums.reset();
  const auto It = std::find_if(FTracks.begin(), FTracks.end(),
                               [Number](const auto& T) { return T.Number == Number; });
  if (It == FTracks.end()) return;  // not an audio track: nothing to check
  Testing = Test;
  Current = static_cast<size_t>(It - FTracks.begin());
  Left = It->Frames * 4;
  Sums = std::make_unique<TTrackChecksums>(It->Frames, Current == 0, Current + 1 == FTracks.size());
  if (Left == 0) EndOfTrack();
}

void TRipVerification::Feed(const uint8_t* Bytes, size_t Size) {
  Worker->PostBytes(Bytes, Size);
}

void TRipVerification::FeedSums(const uint8_t* Bytes, size_t Size) {
  while (Size > 0 && Sums) {
    const size_t Take = static_cast<size_t>(std::min<uint64_t>(Size, Left));
    Sums->Feed(Bytes, Take);
    Bytes += Take;
    Size -= Take;
    Left -= Take;
    if (Left == 0) EndOfTrack();
  }
}

void TRipVerification::EndOfTrack() {
  TTrackVerification& T = FTracks[Current];
  if (Testing) {
    T.Tested = true;
    T.TestCrc = Sums->Crc32();
  } else {
    T.Copied = true;
    T.V1 = Sums->V1();
    T.V2 = Sums->V2();
    T.Sector450 = Sums->Sector450();
    T.Crc32 = Sums->Crc32();
    T.Peak = Sums->Peak();
  }
  Judge(T);
  Sums.reset();
  // A read of several tracks goes on with the next one.
  if (Current + 1 < FTracks.size()) {
    ++Current;
    Left = FTracks[Current].Frames * 4;
    Sums = std::make_unique<TTrackChecksums>(FTracks[Current].Frames, false,
                                             Current + 1 == FTracks.size());
    if (Left == 0) EndOfTrack();
  }
}

void TRipVerification::Judge(TTrackVerification& T) const {
  if (T.Copied)
    T.Match = MatchTrack(FPressings, static_cast<size_t>(&T - FTracks.data()), T.V1, T.V2);
  if (!T.Copied)
    T.Status = TTrackStatus::Unread;
  else if (T.Tested && T.TestCrc != T.Crc32)
    T.Status = TTrackStatus::Suspicious;
  else if (!Asked)
    T.Status = TTrackStatus::Unchecked;
  else if (FPressings.empty())
    T.Status = TTrackStatus::NotInDatabase;
  else
    T.Status = T.Match ? TTrackStatus::Accurate : TTrackStatus::NotAccurate;
}

void TRipVerification::SetFile(int Number, const std::string& File, int JitterErrors) {
  // In turn with the sums, so the reader need not wait for them here.
  Worker->Post([this, Number, File, JitterErrors] {
    for (TTrackVerification& T : FTracks)
      if (T.Number == Number) {
        T.File = File;
        T.JitterErrors = JitterErrors;
      }
  });
}

const std::vector<TTrackVerification>& TRipVerification::Tracks() const {
  Worker->Drain();
  return FTracks;
}

const TTrackVerification* TRipVerification::Track(int Number) const {
  Worker->Drain();
  for (const TTrackVerification& T : FTracks)
    if (T.Number == Number) return &T;
  return nullptr;
}

std::string TRipVerification::VerdictText(const TTrackVerification& T) {
  switch (T.Status) {
    case TTrackStatus::Accurate:
      return "accurate (confidence " + std::to_string(T.Match->Confidence) + ", " +
             (T.Match->V2 ? "v2" : "v1") + ")";
    case TTrackStatus::NotAccurate:
      return "not accurate";
    case TTrackStatus::NotInDatabase:
      return "not in database";
    case TTrackStatus::Suspicious:
      return "suspicious";
    case TTrackStatus::Unchecked:
      return T.Tested ? "test and copy match" : "not checked";
    case TTrackStatus::Unread:
      break;
  }
  return "not read";
}

std::string TRipVerification::VerdictLine(int Number) const {
  const TTrackVerification* T = Track(Number);
  if (!T) return {};
  return "Track " + TwoDigits(T->Number) + ": v1 " + ChecksumText(T->V1) + " v2 " +
         ChecksumText(T->V2) + " crc32 " + ChecksumText(T->Crc32) + ": " + VerdictText(*T);
}

std::string TRipVerification::Summary() const {
  Worker->Drain();
  int Copied = 0, Accurate = 0;
  for (const TTrackVerification& T : FTracks) {
    Copied += T.Copied;
    Accurate += T.Status == TTrackStatus::Accurate;
  }
  if (!Asked) return "Not checked against AccurateRip";
  if (FPressings.empty()) return "Disc not in the AccurateRip database";
  if (Accurate == Copied) return "All tracks accurately ripped";
  return std::to_string(Accurate) + " of " + std::to_string(Copied) + " tracks accurately ripped";
}

bool TRipVerification::Failed() const {
  Worker->Drain();
  return std::any_of(FTracks.begin(), FTracks.end(), [](const TTrackVerification& T) {
    return T.Status == TTrackStatus::Suspicious || T.Status == TTrackStatus::NotAccurate;
  });
}

}  // namespace tolvar
