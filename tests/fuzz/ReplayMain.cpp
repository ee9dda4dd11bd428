// Runs every file of the committed seed corpora and crash regressions
// through its harness: tests/fuzz/corpus/<harness>/ and
// tests/fuzz/regressions/<harness>/. A crash or sanitizer report fails the
// run; so does a harness without any input.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "FuzzTarget.h"

namespace fs = std::filesystem;

namespace tolvar::fuzz {

static std::map<std::string, TFuzzEntry>& Harnesses() {
  static std::map<std::string, TFuzzEntry> All;
  return All;
}

bool RegisterHarness(const char* Name, TFuzzEntry Entry) {
  Harnesses()[Name] = Entry;
  return true;
}

}  // namespace tolvar::fuzz

int main(int Argc, char** Argv) {
  if (Argc != 2) {
    std::fprintf(stderr, "usage: fuzz_replay TESTS_FUZZ_DIR\n");
    return 2;
  }
  const fs::path Root = Argv[1];
  int Failed = 0;
  for (const auto& [Name, Entry] : tolvar::fuzz::Harnesses()) {
    std::vector<fs::path> Inputs;
    for (const char* Kind : {"corpus", "regressions"}) {
      std::error_code Error;
      for (const auto& File : fs::directory_iterator(Root / Kind / Name, Error))
        if (File.is_regular_file() && File.path().filename() != "README.md")
          Inputs.push_back(File.path());
    }
    std::sort(Inputs.begin(), Inputs.end());
    for (const fs::path& Input : Inputs) {
      std::ifstream In(Input, std::ios::binary);
      const std::string Bytes((std::istreambuf_iterator<char>(In)),
                              std::istreambuf_iterator<char>());
      Entry(reinterpret_cast<const uint8_t*>(Bytes.data()), Bytes.size());
    }
    std::printf("%s: %zu inputs replayed\n", Name.c_str(), Inputs.size());
    if (Inputs.empty()) ++Failed;
  }
  return Failed == 0 ? 0 : 1;
}
