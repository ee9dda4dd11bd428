#include "Commands.h"

namespace tolvar::cli {

int CmdDrives(TContext& Context, TArgs& Args);
int CmdToc(TContext& Context, TArgs& Args);
int RunCddb(TContext& Context, TArgs& Args);
int RunTag(TContext& Context, TArgs& Args);

const std::vector<TCommand>& Commands() {
  static const std::vector<TCommand> Table = {
      {"drives", "drives                 one line per drive: \"N: NAME\"", CmdDrives},
      {"toc", "toc                    the ripper's status, track lines, disc ID, type and tracks",
       CmdToc},
      {"cddb", "cddb discid            disc ID and query line from the CDDB client's TOC reader",
       RunCddb},
      {"tag", "tag FILE [--title T] [--artist A] [--album L] [--year Y] [--comment C] [--genre G]",
       RunTag},
  };
  return Table;
}

}  // namespace tolvar::cli
