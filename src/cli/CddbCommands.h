#pragma once
// The parts of "tolvar-cli cddb" that its two files share.
#include <cstdint>
#include <string>

#include "Commands.h"

namespace tolvar {
class TCddbDisc;
}

namespace tolvar::cli {

// Makes the images of the command line the image drives and returns the
// drive the command reads.
uint8_t SelectCddbDrive(const TContext& Context);
// Reads the TOC of Drive into Disc; TCommandError with the reason when there
// is none.
void ReadDiscToc(TCddbDisc& Disc, uint8_t Drive);

// "cddb query", "cddb read" and "cddb lookup" against a CDDB server.
int RunCddbLookup(const TContext& Context, const std::string& Command, TArgs& Args);

}  // namespace tolvar::cli
