#pragma once
// Keeps libcdio's log quiet while it lives: libcdio reports a missing BIN or
// a disc without CD-Text as warnings on stderr, where the caller's own answer
// ("no disc", no texts) says enough. The previous handler comes back after.
#include <cdio/logging.h>

namespace tolvar {

class TQuietCdio {
 public:
  TQuietCdio() : Previous(cdio_log_set_handler([](cdio_log_level_t, const char*) {})) {}
  ~TQuietCdio() { cdio_log_set_handler(Previous); }
  TQuietCdio(const TQuietCdio&) = delete;
  TQuietCdio& operator=(const TQuietCdio&) = delete;

 private:
  cdio_log_handler_t Previous;
};

}  // namespace tolvar
