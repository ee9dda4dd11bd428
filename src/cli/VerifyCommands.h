#pragma once
// The parts of "tolvar-cli accuraterip" and "verify" that they share.
#include <string>

#include "Commands.h"
#include "verify/ArClient.h"

namespace tolvar::cli {

// "07", "12": a track number as the output lines print it.
std::string TwoDigitNumber(int N);

// The database's answer for the disc; TCommandError when none came.
TArLookup LookUpAccurateRip(const TAccurateRipId& Id);

}  // namespace tolvar::cli
