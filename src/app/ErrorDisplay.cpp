#include "app/ErrorDisplay.h"

#include <stdexcept>

#include "util/Dialogs.h"

namespace tolvar {

std::string ExceptionText(std::exception_ptr Error) {
  try {
    std::rethrow_exception(Error);
  } catch (const std::exception& E) {
    return E.what();
  } catch (...) {
    return "Unknown error";
  }
}

void ShowException(std::exception_ptr Error) {
  if (!Error) return;
  Dialogs().MessageBox(ExceptionText(Error), "Tolvar", TMsgKind::Error);
}

}  // namespace tolvar
