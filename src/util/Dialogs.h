#pragma once
// The few dialogs that components need (message box, Retry/Ignore, Yes/No,
// input box). The window implements them with Qt, tolvar-cli on the terminal,
// tests with scripted answers; components never see which.
#include <deque>
#include <memory>
#include <string>
#include <vector>

namespace tolvar {

enum class TMsgKind { Information, Warning, Error, Confirmation };
enum class TRetryIgnore { Retry, Ignore };

class TDialogs {
 public:
  virtual ~TDialogs() = default;
  virtual void MessageBox(const std::string& Text, const std::string& Caption, TMsgKind Kind) = 0;
  virtual TRetryIgnore RetryIgnore(const std::string& Text) = 0;
  virtual bool YesNo(const std::string& Text) = 0;
  // Asks for a text; false when the user cancelled. Value holds the default on entry.
  virtual bool InputBox(const std::string& Caption, const std::string& Prompt,
                        std::string& Value) = 0;
};

// The dialogs in use. Until one is installed, StderrDialogs answers.
TDialogs& Dialogs();
// Installs Dialogs for the program; returns the previous one (nullptr for the default).
TDialogs* SetDialogs(TDialogs* NewDialogs);

// Prints messages to stderr and gives the safe answer: Ignore, No, cancel.
class TStderrDialogs : public TDialogs {
 public:
  void MessageBox(const std::string& Text, const std::string& Caption, TMsgKind Kind) override;
  TRetryIgnore RetryIgnore(const std::string& Text) override;
  bool YesNo(const std::string& Text) override;
  bool InputBox(const std::string& Caption, const std::string& Prompt, std::string& Value) override;
};

// Records every dialog shown and answers from queues; empty queues give the
// safe answer. Installs itself for its lifetime.
class TScriptedDialogs : public TDialogs {
 public:
  TScriptedDialogs();
  ~TScriptedDialogs() override;
  TScriptedDialogs(const TScriptedDialogs&) = delete;
  TScriptedDialogs& operator=(const TScriptedDialogs&) = delete;

  void MessageBox(const std::string& Text, const std::string& Caption, TMsgKind Kind) override;
  TRetryIgnore RetryIgnore(const std::string& Text) override;
  bool YesNo(const std::string& Text) override;
  bool InputBox(const std::string& Caption, const std::string& Prompt, std::string& Value) override;

  std::vector<std::string> Shown;  // every text, in order
  std::deque<TRetryIgnore> RetryIgnoreAnswers;
  std::deque<bool> YesNoAnswers;
  std::deque<std::string> InputAnswers;  // an answer of "\x1b" cancels

 private:
  TDialogs* Previous;
};

}  // namespace tolvar
