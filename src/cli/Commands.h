#pragma once
// The commands of tolvar-cli. Each command lives in its own Cmd*.cpp and is
// listed in Commands.cpp.
#include <string>
#include <vector>

#include "CliArgs.h"

namespace tolvar::cli {

struct TContext {
  std::vector<std::string> Images;  // --image, in the order given
  int Drive = -1;                   // --drive, -1 when not given
  std::string SampleDisc;           // the bundled sample disc, used when nothing else is given
};

struct TCommand {
  const char* Name;
  const char* Synopsis;  // one line for --help
  int (*Run)(TContext& Context, TArgs& Args);
};

const std::vector<TCommand>& Commands();

}  // namespace tolvar::cli
