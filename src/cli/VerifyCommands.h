#pragma once
// The parts of "tolvar-cli accuraterip" and "verify" that they share.
#include <string>

#include <optional>

#include "Commands.h"
#include "net/PollLoop.h"
#include "verify/ArClient.h"

namespace tolvar::cli {

// "07", "12": a track number as the output lines print it.
std::string TwoDigitNumber(int N);

// The database's answer for the disc; TCommandError when none came.
TArLookup LookUpAccurateRip(const TAccurateRipId& Id);
// Runs Loop until Answer holds the answer of a request started on it, and
// returns it; TCommandError when none came, it is an error, or Ctrl-C
// stopped the wait.
const TArLookup& AwaitAccurateRip(TPollLoop& Loop, const std::optional<TArLookup>& Answer);

}  // namespace tolvar::cli
