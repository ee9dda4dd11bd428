// tolvar-cli eject, tolvar-cli close: move the tray of the selected drive and
// print the ripper's status texts, the disc's removal or arrival among them.
#include <chrono>
#include <thread>

#include "CliRipper.h"
#include "Commands.h"

namespace tolvar::cli {

namespace {

// A real drive may need some seconds to recognise a disc after its tray
// closed; an image drive answers at once.
constexpr auto kMediaWait = std::chrono::seconds(15);

// Polls the media monitor until it reported a change (which the ripper
// handled) or Limit has passed.
void AwaitMediaChange(TRipperSession& Session, std::chrono::milliseconds Limit) {
  bool Changed = false;
  auto Forward = Session.Monitor.OnDeviceChange;
  Session.Monitor.OnDeviceChange = [&](int Code) {
    Changed = true;
    if (Forward) Forward(Code);
  };
  auto Deadline = std::chrono::steady_clock::now() + Limit;
  for (;;) {
    Session.Monitor.PollNow();
    if (Changed || std::chrono::steady_clock::now() >= Deadline) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  Session.Monitor.OnDeviceChange = Forward;
}

int MoveTray(TContext& Context, TArgs& Args, bool Open) {
  Args.Finish();
  TRipperSession Session(Context);
  TCDRipper& R = Session.Ripper;
  EchoStatusTexts(R);
  Session.Start();
  if (R.DriveCount == 0) throw TCommandError("there is no drive");
  // Only a disc that is there can leave, and only a missing one arrive.
  bool Loaded = CR_IsMediaLoaded();
  if (Open)
    R.Eject();
  else
    R.CloseTray();
  if (Loaded == Open) AwaitMediaChange(Session, kMediaWait);
  return 0;
}

}  // namespace

int RunEject(TContext& Context, TArgs& Args) {
  return MoveTray(Context, Args, true);
}

int RunClose(TContext& Context, TArgs& Args) {
  return MoveTray(Context, Args, false);
}

}  // namespace tolvar::cli
