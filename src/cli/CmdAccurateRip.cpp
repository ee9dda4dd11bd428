// tolvar-cli accuraterip: the disc's AccurateRip ID and address, and the
// database's records for it.
#include <iostream>
#include <optional>

#include "Interrupt.h"
#include "RipVerify.h"
#include "VerifyCommands.h"
#include "net/PollLoop.h"
#include "verify/ArClient.h"

namespace tolvar::cli {

namespace {

// The request has its own deadline; this only guards against waiting forever.
constexpr std::chrono::minutes kFetchLimit{10};

int PrintId(const TAccurateRipId& Id) {
  std::cout << "AccurateRip ID: " << Id.Name() << "\nURL: " << Id.Url(AccurateRipBase()) << '\n';
  return 0;
}

int PrintLookup(const TAccurateRipId& Id) {
  const TArLookup Found = LookUpAccurateRip(Id);
  if (Found.Pressings.empty()) {
    std::cout << "Not in database\n";
    return 1;
  }
  for (size_t P = 0; P < Found.Pressings.size(); ++P) {
    const TArPressing& Entries = Found.Pressings[P];
    std::cout << "Pressing " << P + 1 << ": " << Entries.size() << " tracks\n";
    for (size_t T = 0; T < Entries.size(); ++T)
      std::cout << "Track " << TwoDigitNumber(Id.Tracks[T]) << ": confidence "
                << int(Entries[T].Confidence) << " checksum " << ChecksumText(Entries[T].Checksum)
                << " sector450 " << ChecksumText(Entries[T].Sector450) << '\n';
  }
  return 0;
}

}  // namespace

std::string TwoDigitNumber(int N) {
  return (N < 10 ? "0" : "") + std::to_string(N);
}

TArLookup LookUpAccurateRip(const TAccurateRipId& Id) {
  TPollLoop Loop;
  TWebClient Web(Loop);
  std::optional<TArLookup> Result;
  FetchAccurateRip(Web, Id, [&Result](const TArLookup& R) { Result = R; });
  return AwaitAccurateRip(Loop, Result);
}

const TArLookup& AwaitAccurateRip(TPollLoop& Loop, const std::optional<TArLookup>& Answer) {
  if (!Loop.RunUntil([&Answer] { return Answer.has_value() || Interrupted(); }, kFetchLimit))
    throw TCommandError("the AccurateRip request did not end");
  if (!Answer) throw TCommandError("Process stopped");
  if (!Answer->Error.empty()) throw TCommandError(Answer->Error);
  return *Answer;
}

int RunAccurateRip(TContext& Context, TArgs& Args) {
  const std::vector<std::string> Words = Args.Positionals();
  Args.Finish();
  if (Words.size() != 1 || (Words[0] != "id" && Words[0] != "lookup"))
    throw TUsageError("accuraterip needs a command: id or lookup");
  const TAccurateRipId Id = DiscAccurateRipId(Context);
  return Words[0] == "id" ? PrintId(Id) : PrintLookup(Id);
}

}  // namespace tolvar::cli
