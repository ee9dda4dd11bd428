// tolvar-cli: Tolvar's components from the command line, for scripts and checks.
#include <cstdlib>
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "Commands.h"

#ifndef TOLVAR_VERSION
#define TOLVAR_VERSION "0.0.0"
#endif
#ifndef TOLVAR_SAMPLE_DISC
#define TOLVAR_SAMPLE_DISC ""
#endif

using namespace tolvar::cli;

namespace {

void PrintHelp(std::ostream& Out) {
  Out << "usage: tolvar-cli [--image FILE]... [--drive N] COMMAND [options]\n"
         "\n"
         "Global options:\n"
         "  --image FILE   add a disc image (CUE/BIN, TOC, NRG) as a drive and select the first\n"
         "                 image given; may be repeated\n"
         "  --drive N      select drive N (from 0, as 'drives' lists them)\n"
         "  --help         show this text\n"
         "  --version      show the version\n";
  if (!Commands().empty()) {
    Out << "\nCommands:\n";
    for (const TCommand& C : Commands()) Out << "  " << C.Synopsis << '\n';
  }
}

const TCommand* FindCommand(const std::string& Name) {
  for (const TCommand& C : Commands())
    if (Name == C.Name) return &C;
  return nullptr;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> Words(argv + 1, argv + argc);
  TContext Context;
  Context.SampleDisc = TOLVAR_SAMPLE_DISC;
  try {
    // Global options may stand before or after the command; every other word
    // after the command belongs to it.
    TArgs All(Words);
    if (All.Flag("--help") || All.Flag("-h")) {
      PrintHelp(std::cout);
      return 0;
    }
    if (All.Flag("--version")) {
      std::cout << "tolvar-cli " << TOLVAR_VERSION << '\n';
      return 0;
    }
    Context.Images = All.Values("--image");
    Context.Drive = static_cast<int>(All.Integer("--drive", -1, 0, 99));
    std::vector<std::string> Rest = All.Remaining();
    if (Rest.empty()) throw TUsageError("no command given");
    if (Rest.front().size() > 1 && Rest.front()[0] == '-')
      throw TUsageError("unknown option " + Rest.front());
    const TCommand* Command = FindCommand(Rest.front());
    if (!Command) throw TUsageError("unknown command '" + Rest.front() + "'");
    TArgs CommandArgs(std::vector<std::string>(Rest.begin() + 1, Rest.end()));
    return Command->Run(Context, CommandArgs);
  } catch (const TUsageError& E) {
    std::cerr << "tolvar-cli: " << E.what() << "\nTry 'tolvar-cli --help'.\n";
    return 2;
  } catch (const std::exception& E) {
    std::cerr << "tolvar-cli: " << E.what() << '\n';
    return 1;
  }
}
