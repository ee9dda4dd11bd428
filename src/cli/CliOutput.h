#pragma once
// What tolvar-cli shows on stderr while it works: the progress of a rip (a
// bar on a terminal, plain lines for logs and pipes) and the components'
// message boxes.
#include <cstddef>
#include <map>
#include <string>
#include <vector>

#include "util/Dialogs.h"

namespace tolvar::cli {

class TRipProgress {
 public:
  struct TBar {
    std::string File;
    int Percent = 0;
  };
  explicit TRipProgress(bool Terminal) : Terminal(Terminal) {}
  void Begin(const std::string& File);
  // A terminal gets a bar redrawn in place; otherwise a line
  // "Ripping FILE: N%" is written at every tenth of the way.
  void Show(int Percent);
  // On a terminal, one more bar for each file being encoded beside the
  // reading (drawn below the reading's bar).
  void ShowJobs(std::vector<TBar> Bars);
  // Clears the bars; the next Show draws them again.
  void End();

 private:
  void Draw();
  bool Terminal;
  std::string File;
  int Last = -1;
  std::vector<TBar> Jobs;
  int Lines = 0;  // lines drawn on the terminal
};

// The progress of several files at once on a terminal: one bar per file, in
// the order of the files, redrawn in place below what was printed before.
class TJobBars {
 public:
  // Adds or moves the bar of Job.
  void Show(size_t Job, const std::string& File, int Percent);
  void Remove(size_t Job);
  // Erase takes the bars off the screen, so that a line can be printed where
  // they were; Draw puts them (back) below the cursor.
  void Erase();
  void Draw();

 private:
  struct TBar {
    std::string File;
    int Percent = 0;
  };
  std::map<size_t, TBar> Bars;
  size_t Drawn = 0;  // lines on the screen
};

// Message boxes as "tolvar-cli: TEXT" lines; questions get the safe answer.
// Installed for its lifetime.
class TCliDialogs : public TStderrDialogs {
 public:
  TCliDialogs() : Previous(SetDialogs(this)) {}
  ~TCliDialogs() override { SetDialogs(Previous); }
  TCliDialogs(const TCliDialogs&) = delete;
  TCliDialogs& operator=(const TCliDialogs&) = delete;
  void MessageBox(const std::string& Text, const std::string& Caption, TMsgKind Kind) override;

 private:
  TDialogs* Previous;
};

}  // namespace tolvar::cli
