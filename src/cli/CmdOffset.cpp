// tolvar-cli offset detect: the selected drive's read offset, found from a
// disc the AccurateRip database knows; and tolvar-cli log verify FILE.
#include <iostream>

#include "CliRipper.h"
#include "RipVerify.h"
#include "VerifyCommands.h"
#include "util/FileFunctions.h"
#include "verify/OffsetDetect.h"
#include "verify/RipperVerify.h"

namespace tolvar::cli {

int RunOffset(TContext& Context, TArgs& Args) {
  const std::vector<std::string> Words = Args.Positionals();
  if (Words.size() != 1 || Words[0] != "detect")
    throw TUsageError("offset needs a command: detect");

  const TAccurateRipId Id = DiscAccurateRipId(Context);
  const TArLookup Database = LookUpAccurateRip(Id);
  if (Database.Pressings.empty()) {
    std::cerr << "tolvar-cli: the disc is not in the AccurateRip database\n";
    std::cout << "Read offset: not found\n";
    return 1;
  }

  TRipperSession Session(Context);
  TCDRipper& R = Session.Ripper;
  Session.Start();
  if (!R.DiscInfoValid || R.Tracks().Count() == 0)
    throw TCommandError("no disc in drive " + std::to_string(Session.Drive));
  const std::optional<int32_t> Offset = DetectReadOffset(R, Id, Database.Pressings);
  std::cout << "Read offset: " << (Offset ? OffsetText(*Offset) : "not found") << '\n';
  return Offset ? 0 : 1;
}

int RunLog(TContext&, TArgs& Args) {
  const std::vector<std::string> Words = Args.Positionals();
  if (Words.size() != 2 || Words[0] != "verify") throw TUsageError("log needs: verify FILE");
  std::string Text;
  if (!ReadFileText(Words[1], Text)) throw TCommandError("cannot read " + Words[1]);
  const bool Ok = LogChecksumOk(Text);
  std::cout << (Ok ? "Log checksum OK\n" : "Log checksum mismatch\n");
  return Ok ? 0 : 1;
}

}  // namespace tolvar::cli
