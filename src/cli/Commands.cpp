#include "Commands.h"

#include <string>

#include "EncoderOptions.h"

namespace tolvar::cli {

int CmdDrives(TContext& Context, TArgs& Args);
int CmdToc(TContext& Context, TArgs& Args);
int RunCddb(TContext& Context, TArgs& Args);
int RunTag(TContext& Context, TArgs& Args);
int RunEncode(TContext& Context, TArgs& Args);
int RunRip(TContext& Context, TArgs& Args);
extern const char* const kRipOptionsHelp;

namespace {

// Lines after the first of a synopsis stand under their command, indented.
std::string Nested(const std::string& Lines) {
  std::string Out;
  for (size_t Start = 0; Start < Lines.size();) {
    size_t End = Lines.find('\n', Start);
    if (End == std::string::npos) End = Lines.size();
    Out += "\n  " + Lines.substr(Start, End - Start);
    Start = End + 1;
  }
  return Out;
}

const std::string kEncodeSynopsis =
    "encode FILE... [encoder options]   WAV files to MP3 files beside them" +
    Nested(std::string("  encoder options (for every command that encodes MP3):\n") +
           kEncoderOptionsHelp);

const std::string kRipSynopsis =
    "rip TRACKS [options]   rip tracks \"3\", \"2-5\" or \"1,3,7\" into files" +
    Nested(kRipOptionsHelp);

}  // namespace

const std::vector<TCommand>& Commands() {
  static const std::vector<TCommand> Table = {
      {"drives", "drives                 one line per drive: \"N: NAME\"", CmdDrives},
      {"toc", "toc                    the ripper's status, track lines, disc ID, type and tracks",
       CmdToc},
      {"cddb", "cddb discid            disc ID and query line from the CDDB client's TOC reader",
       RunCddb},
      {"tag", "tag FILE [--title T] [--artist A] [--album L] [--year Y] [--comment C] [--genre G]",
       RunTag},
      {"encode", kEncodeSynopsis.c_str(), RunEncode},
      {"rip", kRipSynopsis.c_str(), RunRip},
  };
  return Table;
}

}  // namespace tolvar::cli
