#pragma once
// Verified rips on the command line: the read offset of the selected drive,
// the disc's AccurateRip verification fed from the ripper's hooks, the test
// reads of test and copy, the verdict lines and the rip log.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Commands.h"
#include "net/PollLoop.h"
#include "ripper/CDRipper.h"
#include "verify/ArClient.h"
#include "verify/RipLog.h"
#include "verify/RipVerification.h"
#include "verify/RipperVerify.h"

namespace tolvar::cli {

struct TVerifyOptions {
  bool Verify = false;             // --verify: compare with the AccurateRip database
  bool TestAndCopy = false;        // --test-and-copy
  std::optional<int32_t> Offset;   // --offset K
  std::optional<std::string> Log;  // --log FILE
  bool Any() const { return Verify || TestAndCopy || Log; }
};

// --offset K.
std::optional<int32_t> OffsetOption(TArgs& Args);
// --verify, --test-and-copy, --offset K and --log FILE.
TVerifyOptions VerifyOptions(TArgs& Args);

// The read offset of drive Drive of R: Option when given, else the value the
// settings file's [Drives] section keeps under the drive's name, else 0.
int32_t DriveReadOffset(const TCDRipper& R, int Drive, std::optional<int32_t> Option);

// The disc's AccurateRip IDs, from the table of contents the CDDB client reads.
TAccurateRipId DiscAccurateRipId(const TContext& Context);

// What "rip" does with the verification options: it asks the database on
// Loop while the rip reads (the ripper's ProcessMessages runs the loop),
// reads each track once without writing before its copy (test and copy),
// takes the checksums from the ripper's hooks, then waits for the database's
// answer, prints the verdict lines and writes the log.
class TRipVerifier {
 public:
  // Id: the disc's AccurateRip IDs (DiscAccurateRipId); Drive: the drive
  // selected.
  TRipVerifier(TCDRipper& Ripper, TPollLoop& Loop, int Drive, const TVerifyOptions& Options,
               TAccurateRipId Id);
  ~TRipVerifier();
  TRipVerifier(const TRipVerifier&) = delete;
  TRipVerifier& operator=(const TRipVerifier&) = delete;

  // Before tracks First..Last (the disc's numbers) are ripped into one file.
  // Throws TCommandError when the database already failed to answer: the
  // files ripped so far stay.
  void BeforeRip(int First, int Last);
  // After they were ripped into File.
  void AfterRip(int First, int Last, const std::string& File);
  // The metadata the files were named from, for the log.
  void SetMetadata(std::string Source, std::vector<std::pair<std::string, std::string>> Ids);
  // Waits for the database's answer (TCommandError when none came), prints
  // the verdict of each track ripped, writes the log; 1 when the
  // verification failed, else 0.
  int Finish();

 private:
  TCDRipper& R;
  TPollLoop& Loop;
  std::optional<TArLookup> Answer;  // the database's, once it came
  TWebClient Web;
  TVerifyOptions Options;
  TAccurateRipId Id;
  TRipVerification Verification;
  TRipLogInfo Log;
  std::vector<int> Ripped;
};

}  // namespace tolvar::cli
