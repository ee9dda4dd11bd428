// tolvar-cli cddb: the CDDB client. "discid" prints the disc ID and the query
// line that the client computes from its own table-of-contents reader; the
// protocol commands are in CmdCddbLookup.cpp.
#include <iostream>

#include "CddbCommands.h"
#include "cddb/CddbDisc.h"
#include "cddb/ImageDrive.h"
#include "platform/cdrip/CdDrives.h"

namespace tolvar::cli {

// The drive the command reads: --drive, else the first --image (the images
// follow the real drives), else drive 0. With no drive at all the sample disc
// stands in.
uint8_t SelectCddbDrive(const TContext& Context) {
  size_t RealDrives = cdrip::RealDevices().size();
  SetProgramImages({});
  if (Context.Images.empty()) cdrip::AddSampleDiscWhenNoDrive(Context.SampleDisc);
  size_t Configured = ImageDriveList().size();
  SetProgramImages(Context.Images);
  if (Context.Drive >= 0) return static_cast<uint8_t>(Context.Drive);
  return static_cast<uint8_t>(Context.Images.empty() ? 0 : RealDrives + Configured);
}

void ReadDiscToc(TCddbDisc& Disc, uint8_t Drive) {
  std::string Status;
  auto Reporter = Disc.OnStatusMessage;
  Disc.OnStatusMessage = [&](TCddbDisc&, const std::string& Text) { Status = Text; };
  bool Read = Disc.ReadTOC(Drive);
  Disc.OnStatusMessage = Reporter;
  if (Read) return;
  if (!Status.empty()) throw TCommandError(Status);
  throw TCommandError("no drive " + std::to_string(Drive) + " (there are " +
                      std::to_string(Disc.DriveTable.DriveCount) + ")");
}

namespace {

int DiscId(const TContext& Context) {
  uint8_t Drive = SelectCddbDrive(Context);
  TCddbDisc Disc;
  ReadDiscToc(Disc, Drive);
  std::cout << "Disc ID: " << Disc.CDInfo.DiscID << '\n'
            << BuildQueryCommand(Disc.CDInfo.Toc) << '\n';
  return 0;
}

}  // namespace

int RunCddb(TContext& Context, TArgs& Args) {
  // The command word comes first; the options after it are its own.
  std::vector<std::string> Words = Args.Remaining();
  if (Words.empty() || Words[0].starts_with("-"))
    throw TUsageError("cddb needs a command: discid, query, read or lookup");
  TArgs Rest(std::vector<std::string>(Words.begin() + 1, Words.end()));
  if (Words[0] == "discid") {
    std::vector<std::string> Extra = Rest.Positionals();
    if (!Extra.empty()) throw TUsageError("unexpected argument '" + Extra[0] + "'");
    return DiscId(Context);
  }
  if (Words[0] == "query" || Words[0] == "read" || Words[0] == "lookup")
    return RunCddbLookup(Context, Words[0], Rest);
  throw TUsageError("unknown cddb command '" + Words[0] + "'");
}

}  // namespace tolvar::cli
