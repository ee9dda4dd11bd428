// tolvar-cli cddb: the CDDB client. "discid" prints the disc ID and the query
// line that the client computes from its own table-of-contents reader.
#include <iostream>

#include "Commands.h"
#include "cddb/CddbDisc.h"
#include "cddb/ImageDrive.h"
#include "cddb/ScsiDevice.h"

namespace tolvar::cli {

namespace {

// The drive the command reads: --drive, else the first --image (the images
// follow the real drives), else drive 0. With no drive at all the sample disc
// stands in.
uint8_t SelectDrives(const TContext& Context) {
  size_t RealDrives = ListCdDevices().size();
  std::vector<std::string> Images = Context.Images;
  SetProgramImages({});
  if (Images.empty() && RealDrives == 0 && ImageDriveList().empty() && !Context.SampleDisc.empty())
    Images.push_back(Context.SampleDisc);
  SetProgramImages(Images);
  if (Context.Drive >= 0) return static_cast<uint8_t>(Context.Drive);
  return static_cast<uint8_t>(Context.Images.empty() ? 0 : RealDrives);
}

int DiscId(const TContext& Context) {
  uint8_t Drive = SelectDrives(Context);
  TCddbDisc Disc;
  std::string Status;
  Disc.OnStatusMessage = [&](TCddbDisc&, const std::string& Text) { Status = Text; };
  if (!Disc.ReadTOC(Drive)) {
    if (!Status.empty()) throw TCommandError(Status);
    throw TCommandError("no drive " + std::to_string(Drive) + " (there are " +
                        std::to_string(Disc.DriveTable.DriveCount) + ")");
  }
  std::cout << "Disc ID: " << Disc.CDInfo.DiscID << '\n'
            << BuildQueryCommand(Disc.CDInfo.Toc) << '\n';
  return 0;
}

}  // namespace

int RunCddb(TContext& Context, TArgs& Args) {
  std::vector<std::string> Words = Args.Positionals();
  if (Words.empty()) throw TUsageError("cddb needs a command: discid");
  if (Words.size() > 1) throw TUsageError("unexpected argument '" + Words[1] + "'");
  if (Words[0] == "discid") return DiscId(Context);
  throw TUsageError("unknown cddb command '" + Words[0] + "'");
}

}  // namespace tolvar::cli
