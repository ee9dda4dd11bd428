// tolvar-cli drives, tolvar-cli toc: the ripper's view of the drives and of
// the disc in the selected drive.
#include <cstdio>
#include <iostream>

#include "CliRipper.h"
#include "Commands.h"
#include "util/StringFunctions.h"

namespace tolvar::cli {

namespace {

void Print(const std::string& Text) {
  std::cout << Text << '\n';
}

}  // namespace

int CmdDrives(TContext& Context, TArgs& Args) {
  Args.Finish();
  TRipperSession Session(Context);
  try {
    Session.Ripper.Init();
  } catch (const ECDRIPError&) {
    if (!CDRipReady()) throw TCommandError(Session.Ripper.StatusText);
    throw;
  }
  for (size_t I = 0; I < Session.Ripper.Drives.size(); ++I)
    Print(std::to_string(I) + ": " + Session.Ripper.Drives[I]);
  return 0;
}

int CmdToc(TContext& Context, TArgs& Args) {
  Args.Finish();
  TRipperSession Session(Context);
  TCDRipper& R = Session.Ripper;
  try {
    Session.Start();
  } catch (const ECDRIPError&) {
    Print(R.StatusText);
    throw;
  }
  Print(R.StatusText);
  if (!R.DiscInfoValid) {
    std::cout.flush();
    throw TCommandError("no disc in drive " + std::to_string(Session.Drive));
  }
  for (const std::string& Line : R.TrackLines) Print(Line);
  char Id[16];
  std::snprintf(Id, sizeof Id, "%08x", R.DiscInfo.DiscId);
  Print(std::string("Disc ID: ") + Id);
  Print("Disc type: " + std::to_string(R.DiscInfo.DiscType));
  for (int I = 0; I < R.Tracks().Count(); ++I) {
    const TTrack& T = *R.Tracks().Objects(I);
    Print(R.Tracks().Strings(I) + " start=" + std::to_string(T.StartSector) +
          " end=" + std::to_string(T.EndSector) + " duration=" + std::to_string(T.Duration) +
          " kind=" + T.Kind);
  }
  return 0;
}

}  // namespace tolvar::cli
