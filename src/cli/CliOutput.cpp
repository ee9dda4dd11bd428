#include "CliOutput.h"

#include <iostream>

namespace tolvar::cli {

namespace {
constexpr int kBarWidth = 30;
}

void TRipProgress::Begin(const std::string& Name) {
  File = Name;
  Last = -1;
}

void TRipProgress::Show(int Percent) {
  if (Terminal) {
    if (Percent == Last) return;
    const int Filled = Percent * kBarWidth / 100;
    const std::string Name = File.substr(File.find_last_of('/') + 1);
    std::cerr << "\r\033[K[" << std::string(Filled, '#') << std::string(kBarWidth - Filled, '.')
              << "] " << Percent << "% " << Name << std::flush;
  } else {
    if (Last >= 0 && Percent / 10 == Last / 10) return;
    std::cerr << "Ripping " << File << ": " << Percent << "%" << std::endl;
  }
  Last = Percent;
}

void TRipProgress::End() {
  if (Terminal && Last >= 0) std::cerr << "\r\033[K" << std::flush;
  Last = -1;
}

void TCliDialogs::MessageBox(const std::string& Text, const std::string&, TMsgKind) {
  std::cerr << "tolvar-cli: " << Text << '\n';
}

}  // namespace tolvar::cli
