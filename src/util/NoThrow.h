#pragma once
// For code that C calls (exported library functions, callbacks): an
// exception must not cross into C, so it becomes the caller's error result.
namespace tolvar {

template <typename TResult, typename TBody>
TResult NoThrowCall(TResult Failure, TBody&& Body) noexcept {
  try {
    return Body();
  } catch (...) {
    return Failure;
  }
}

}  // namespace tolvar
