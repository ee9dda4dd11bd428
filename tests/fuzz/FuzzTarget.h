#pragma once
// A harness body is compiled either as libFuzzer's entry point (one program
// per harness) or, with TOLVAR_FUZZ_REPLAY, as a named entry of the replay
// program that runs the committed inputs through every harness.
#include <cstddef>
#include <cstdint>
#include <string>

namespace tolvar::fuzz {

using TFuzzEntry = int (*)(const uint8_t* Data, size_t Size);
bool RegisterHarness(const char* Name, TFuzzEntry Entry);

// A folder of its own under $TMPDIR for the harness's files, made once and
// removed at exit.
const std::string& ScratchDir();
// Writes Size bytes to Path; aborts when that fails, as nothing else can run.
void WriteBytes(const std::string& Path, const uint8_t* Data, size_t Size);

}  // namespace tolvar::fuzz

#ifdef TOLVAR_FUZZ_REPLAY
#define TOLVAR_FUZZ_HARNESS(Name)                              \
  static int FuzzOne_##Name(const uint8_t* Data, size_t Size); \
  [[maybe_unused]] static const bool Registered_##Name =       \
      tolvar::fuzz::RegisterHarness(#Name, FuzzOne_##Name);    \
  static int FuzzOne_##Name(const uint8_t* Data, size_t Size)
#else
#define TOLVAR_FUZZ_HARNESS(Name) \
  extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
#endif
