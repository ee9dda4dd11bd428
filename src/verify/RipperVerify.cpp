#include "RipperVerify.h"

#include <ctime>
#include <utility>

#include "OffsetDetect.h"
#include "util/Product.h"

namespace tolvar {

namespace {

std::string Now() {
  const std::time_t T = std::time(nullptr);
  std::tm Local{};
  localtime_r(&T, &Local);
  char Text[64];
  std::strftime(Text, sizeof Text, "%Y-%m-%d %H:%M:%S %z", &Local);
  return Text;
}

// Puts Hook in place of R's OnAudioRead until the scope ends.
class TAudioHook {
 public:
  TAudioHook(TCDRipper& R, std::function<void(const uint8_t*, size_t)> Hook)
      : R(R), Saved(std::exchange(R.OnAudioRead, std::move(Hook))) {}
  ~TAudioHook() { R.OnAudioRead = std::move(Saved); }
  TAudioHook(const TAudioHook&) = delete;
  TAudioHook& operator=(const TAudioHook&) = delete;

 private:
  TCDRipper& R;
  std::function<void(const uint8_t*, size_t)> Saved;
};

}  // namespace

TRipVerification MakeVerification(const TCDRipper& R, const TAccurateRipId& Id) {
  std::vector<int32_t> Sectors;
  for (int Number : Id.Tracks) {
    const TTrack* T = R.GetTrack(Number - 1);
    Sectors.push_back(T ? T->EndSector - T->StartSector + 1 : 0);
  }
  return TRipVerification(Id, Sectors);
}

TRipLogInfo RipLogHeader(const TCDRipper& R, int Drive, const TAccurateRipId& Id,
                         bool TestAndCopy) {
  TRipLogInfo Log;
  Log.Program = std::string(kProductName) + " " + TOLVAR_VERSION;
  Log.Date = Now();
  Log.Drive = Drive >= 0 && Drive < static_cast<int>(R.Drives.size()) ? R.Drives[Drive] : "";
  Log.ReadOffset = R.ReadOffset();
  Log.Paranoia = R.JitterCorrect();
  Log.TestAndCopy = TestAndCopy;
  for (int I = 0; I < R.Tracks().Count(); ++I) {
    const TTrack& T = *R.Tracks().Objects(I);
    Log.Toc.push_back({T.Number, T.StartSector, T.EndSector,
                       I < R.DiscInfo.TrackCount && R.DiscInfo.Entries[I].Audio != 0});
  }
  Log.AccurateRipId = Id.Name();
  return Log;
}

bool TestRead(TCDRipper& R, TRipVerification& V, int First, int Last) {
  const TTrack* A = R.GetTrack(First - 1);
  const TTrack* B = R.GetTrack(Last - 1);
  if (!A || !B) return false;
  const int32_t FirstSector = A->StartSector, LastSector = B->EndSector;
  TAudioHook Hook(R, [&V](const uint8_t* Bytes, size_t Size) { V.Feed(Bytes, Size); });
  V.BeginTest(First);
  return R.ReadSectors(FirstSector, LastSector) && !R.Cancel;
}

std::optional<int32_t> DetectReadOffset(TCDRipper& R, const TAccurateRipId& Id,
                                        const std::vector<TArPressing>& Pressings) {
  // The sums are compared with the disc's audio as read, unshifted; the
  // drive keeps its offset afterwards.
  struct TRestoreOffset {
    TCDRipper& R;
    int32_t Offset;
    ~TRestoreOffset() { R.SetReadOffset(Offset); }
  } Restore{R, R.ReadOffset()};
  R.SetOutputFormat(cdrip::STEREO44100);
  R.SetReadOffset(0);
  std::vector<TOffsetFinder::TTrackSpan> Spans;
  for (int Number : Id.Tracks) {
    const TTrack* T = R.GetTrack(Number - 1);
    if (!T) throw ECDRIPError("Track " + std::to_string(Number) + " is not on the disc");
    Spans.push_back({T->StartSector, T->EndSector - T->StartSector + 1});
  }
  const int32_t LeadOut = R.GetTrack(R.Tracks().Count() - 1)->EndSector + 1;
  TOffsetFinder Finder(Pressings, Spans, LeadOut);
  for (size_t W = 0; W < Finder.Windows().size(); ++W) {
    TAudioHook Hook(
        R, [&Finder, W](const uint8_t* Bytes, size_t Size) { Finder.Feed(W, Bytes, Size); });
    const TOffsetFinder::TWindow& Window = Finder.Windows()[W];
    if (!R.ReadSectors(Window.FirstSector, Window.LastSector))
      throw ECDRIPError("Read error in sectors " + std::to_string(Window.FirstSector) + "-" +
                        std::to_string(Window.LastSector));
    if (R.Cancel) return std::nullopt;
  }
  return Finder.Find();
}

}  // namespace tolvar
