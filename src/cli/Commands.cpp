#include "Commands.h"

namespace tolvar::cli {

const std::vector<TCommand>& Commands() {
  static const std::vector<TCommand> Table = {};
  return Table;
}

}  // namespace tolvar::cli
