#include "Interrupt.h"

namespace tolvar::cli {

namespace {

volatile std::sig_atomic_t Flag = 0;
extern "C" void OnInterrupt(int) {
  Flag = 1;
}

}  // namespace

TInterruptGuard::TInterruptGuard() {
  Flag = 0;
  struct sigaction Action {};
  Action.sa_handler = OnInterrupt;
  sigemptyset(&Action.sa_mask);
  sigaction(SIGINT, &Action, &OldInt);
  sigaction(SIGTERM, &Action, &OldTerm);
}

TInterruptGuard::~TInterruptGuard() {
  sigaction(SIGINT, &OldInt, nullptr);
  sigaction(SIGTERM, &OldTerm, nullptr);
}

bool Interrupted() {
  return Flag != 0;
}

}  // namespace tolvar::cli
