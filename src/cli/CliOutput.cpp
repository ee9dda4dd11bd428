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
    if (Percent == Last && Lines > 0) return;
    Last = Percent;
    Draw();
  } else {
    if (Last >= 0 && Percent / 10 == Last / 10) return;
    std::cerr << "Ripping " << File << ": " << Percent << "%" << std::endl;
  }
  Last = Percent;
}

void TRipProgress::ShowJobs(std::vector<TBar> Bars) {
  Jobs = std::move(Bars);
  if (Terminal) Draw();
}

namespace {

std::string BarLine(const std::string& File, int Percent, const char* What) {
  const int Filled = Percent * kBarWidth / 100;
  return "[" + std::string(Filled, '#') + std::string(kBarWidth - Filled, '.') + "] " +
         std::to_string(Percent) + "% " + What + File.substr(File.find_last_of('/') + 1);
}

// Back to the first line drawn, everything below cleared.
void Rewind(int Lines) {
  std::cerr << "\r";
  if (Lines > 1) std::cerr << "\033[" << Lines - 1 << "F";
  std::cerr << "\033[J";
}

}  // namespace

void TRipProgress::Draw() {
  std::string Text;
  int Count = 0;
  if (Last >= 0) {
    Text = BarLine(File, Last, Jobs.empty() ? "" : "reading ");
    ++Count;
  }
  for (const TBar& Bar : Jobs) {
    Text += (Count++ > 0 ? "\n" : "") + BarLine(Bar.File, Bar.Percent, "encoding ");
  }
  Rewind(Lines);
  std::cerr << Text << std::flush;
  Lines = Count;
}

void TRipProgress::End() {
  if (Terminal && Lines > 0) {
    Rewind(Lines);
    std::cerr << std::flush;
  }
  Lines = 0;
  Last = -1;
}

void TCliDialogs::MessageBox(const std::string& Text, const std::string&, TMsgKind) {
  std::cerr << "tolvar-cli: " << Text << '\n';
}

}  // namespace tolvar::cli
