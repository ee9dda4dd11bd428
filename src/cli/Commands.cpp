#include "Commands.h"

#include <string>

#include "EncoderOptions.h"

namespace tolvar::cli {

int RunEncode(TContext& Context, TArgs& Args);

namespace {
const std::string kEncodeSynopsis =
    std::string("encode FILE... [encoder options]   WAV files to MP3 files beside them\n") +
    kEncoderOptionsHelp;
}  // namespace

const std::vector<TCommand>& Commands() {
  static const std::vector<TCommand> Table = {
      {"encode", kEncodeSynopsis.c_str(), RunEncode},
  };
  return Table;
}

}  // namespace tolvar::cli
