#include "CliOutput.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <iostream>

namespace tolvar::cli {

namespace {

constexpr int kBarWidth = 30;

// "[####......] 42% encoding name.wav": the bar of one file, cut to the
// terminal's width so that it takes one line (on a character boundary).
std::string BarLine(const std::string& File, int Percent, const char* What = "") {
  const int Filled = Percent * kBarWidth / 100;
  std::string Line = "[" + std::string(Filled, '#') + std::string(kBarWidth - Filled, '.') + "] " +
                     std::to_string(Percent) + "% " + What +
                     File.substr(File.find_last_of('/') + 1);
  struct winsize Size {};
  if (ioctl(STDERR_FILENO, TIOCGWINSZ, &Size) == 0 && Size.ws_col > 1 &&
      Line.size() >= Size.ws_col) {
    size_t Cut = Size.ws_col - 1;
    while (Cut > 0 && (static_cast<unsigned char>(Line[Cut]) & 0xC0) == 0x80) --Cut;
    Line.resize(Cut);
  }
  return Line;
}

}  // namespace

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

void TJobBars::Show(size_t Job, const std::string& File, int Percent) {
  auto [At, Added] = Bars.try_emplace(Job, TBar{File, Percent});
  if (!Added && At->second.Percent == Percent) return;
  At->second.Percent = Percent;
  Draw();
}

void TJobBars::Remove(size_t Job) {
  Bars.erase(Job);
}

void TJobBars::Erase() {
  if (Drawn > 0) std::cerr << "\033[" << Drawn << "A\r\033[J" << std::flush;
  Drawn = 0;
}

void TJobBars::Draw() {
  Erase();
  for (const auto& [Job, Bar] : Bars) std::cerr << BarLine(Bar.File, Bar.Percent) << '\n';
  std::cerr << std::flush;
  Drawn = Bars.size();
}

void TCliDialogs::MessageBox(const std::string& Text, const std::string&, TMsgKind) {
  std::cerr << "tolvar-cli: " << Text << '\n';
}

}  // namespace tolvar::cli
