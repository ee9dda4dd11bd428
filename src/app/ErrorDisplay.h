#pragma once
// The application's standard error display: an exception that leaves one of
// the window's handlers is shown in an error box, and the program goes on.
#include <exception>
#include <string>
#include <utility>

namespace tolvar {

// Shows the exception's message in an error box through the installed dialogs.
void ShowException(std::exception_ptr Error);
// The text that ShowException shows for Error.
std::string ExceptionText(std::exception_ptr Error);

// Runs a handler; an exception it raises ends in ShowException instead of
// unwinding through Qt's event delivery.
template <typename F>
void Guard(F&& Handler) {
  try {
    Handler();
  } catch (...) {
    ShowException(std::current_exception());
  }
}

// A slot for any signal that runs Handler (which takes no arguments) guarded.
template <typename F>
auto Guarded(F Handler) {
  return [Handler = std::move(Handler)](auto&&...) { Guard(Handler); };
}

}  // namespace tolvar
