#include "Commands.h"

namespace tolvar::cli {

const std::vector<TCommand>& Commands() {
  static const std::vector<TCommand> Table = {
      {"tag", "tag FILE [--title T] [--artist A] [--album L] [--year Y] [--comment C] [--genre G]",
       RunTag},
  };
  return Table;
}

}  // namespace tolvar::cli
