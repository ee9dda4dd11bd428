#include "net/EventLoop.h"

#include <cstdio>
#include <stdexcept>

namespace tolvar {

void TEventLoop::ReportException(std::exception_ptr Error) noexcept {
  if (OnException) {
    try {
      OnException(Error);
      return;
    } catch (...) {
      // The owner's handler failed too: fall back to stderr.
    }
  }
  try {
    std::rethrow_exception(Error);
  } catch (const std::exception& E) {
    std::fprintf(stderr, "Unhandled exception in event handler: %s\n", E.what());
  } catch (...) {
    std::fprintf(stderr, "Unhandled exception in event handler\n");
  }
}

void TLoopTarget::Post(TEventLoop::TMessage Message) {
  FLoop.Post([Token = Token(), Message = std::move(Message)] {
    if (Alive(Token)) Message();
  });
}

}  // namespace tolvar
