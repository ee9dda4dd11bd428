#pragma once
// Ctrl-C (and SIGTERM) for the long commands: while a guard lives, the signal
// only raises a flag that the command's process-messages callback looks at,
// so it stops after the current chunk like the window's Cancel.
#include <csignal>

namespace tolvar::cli {

class TInterruptGuard {
 public:
  TInterruptGuard();  // clears the flag
  ~TInterruptGuard();
  TInterruptGuard(const TInterruptGuard&) = delete;
  TInterruptGuard& operator=(const TInterruptGuard&) = delete;

 private:
  struct sigaction OldInt {
  }, OldTerm{};
};

// True once a signal arrived while a guard lived.
bool Interrupted();

}  // namespace tolvar::cli
