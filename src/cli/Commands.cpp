#include "Commands.h"

namespace tolvar::cli {

int CmdDrives(TContext& Context, TArgs& Args);
int CmdToc(TContext& Context, TArgs& Args);

const std::vector<TCommand>& Commands() {
  static const std::vector<TCommand> Table = {
      {"drives", "drives                 one line per drive: \"N: NAME\"", CmdDrives},
      {"toc", "toc                    the ripper's status, track lines, disc ID, type and tracks",
       CmdToc},
  };
  return Table;
}

}  // namespace tolvar::cli
