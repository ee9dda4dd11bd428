// tolvar-cli play TRACK [--seconds N]: plays a track of the selected drive's
// disc through the CD library's player, as the window's Play button does, and
// prints the ripper's status texts.
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <thread>

#include "CliRipper.h"
#include "Commands.h"

namespace tolvar::cli {

namespace {

// A number of seconds, a fraction allowed.
double ParseSeconds(const std::string& Text) {
  char* End = nullptr;
  double Value = std::strtod(Text.c_str(), &End);
  if (Text.empty() || *End != 0 || !std::isfinite(Value) || Value < 0 || Value > 86400)
    throw TUsageError("--seconds wants a number of seconds, not '" + Text + "'");
  return Value;
}

bool InProgress(int32_t Status) {
  return Status == cdrip::kDriveStatusPlaying || Status == cdrip::kDriveStatusPaused;
}

}  // namespace

int RunPlay(TContext& Context, TArgs& Args) {
  std::optional<std::string> SecondsText = Args.Value("--seconds");
  double Seconds = SecondsText ? ParseSeconds(*SecondsText) : -1;
  std::vector<std::string> Words = Args.Positionals();
  Args.Finish();
  if (Words.size() != 1) throw TUsageError("play wants one track number");
  int Track = static_cast<int>(ParseIntArg(Words[0], "track", 1, 99));

  TRipperSession Session(Context);
  TCDRipper& R = Session.Ripper;
  EchoStatusTexts(R);
  Session.Start();
  R.PlayTrack(Track);
  // The ripper said why when the drive does not play.
  if (!InProgress(CR_DriveStatus()))
    throw TCommandError("track " + std::to_string(Track) + " was not played");

  auto Until = std::chrono::steady_clock::now() +
               std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                   std::chrono::duration<double>(Seconds));
  while (InProgress(CR_DriveStatus())) {
    if (Seconds >= 0 && std::chrono::steady_clock::now() >= Until) {
      R.Stop();
      break;
    }
    // Media changes reach the ripper while it plays, as in the window.
    R.ProcessMessages();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return 0;
}

}  // namespace tolvar::cli
