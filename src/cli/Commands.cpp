#include "Commands.h"

namespace tolvar::cli {

int RunCddb(TContext& Context, TArgs& Args);

const std::vector<TCommand>& Commands() {
  static const std::vector<TCommand> Table = {
      {"cddb", "cddb discid            disc ID and query line from the CDDB client's TOC reader",
       RunCddb},
  };
  return Table;
}

}  // namespace tolvar::cli
