#include "Dialogs.h"

#include <iostream>

namespace tolvar {

namespace {
TStderrDialogs DefaultDialogs;
TDialogs* Current = nullptr;

template <typename T>
T TakeOr(std::deque<T>& Queue, T Default) {
  if (Queue.empty()) return Default;
  T Value = std::move(Queue.front());
  Queue.pop_front();
  return Value;
}
}  // namespace

TDialogs& Dialogs() {
  return Current ? *Current : DefaultDialogs;
}

TDialogs* SetDialogs(TDialogs* NewDialogs) {
  TDialogs* Old = Current;
  Current = NewDialogs;
  return Old;
}

void TStderrDialogs::MessageBox(const std::string& Text, const std::string& Caption, TMsgKind) {
  if (Caption.empty())
    std::cerr << Text << '\n';
  else
    std::cerr << Caption << ": " << Text << '\n';
}

TRetryIgnore TStderrDialogs::RetryIgnore(const std::string& Text) {
  std::cerr << Text << " (ignored)\n";
  return TRetryIgnore::Ignore;
}

bool TStderrDialogs::YesNo(const std::string& Text) {
  std::cerr << Text << " (no)\n";
  return false;
}

bool TStderrDialogs::InputBox(const std::string&, const std::string& Prompt, std::string&) {
  std::cerr << Prompt << " (cancelled)\n";
  return false;
}

TScriptedDialogs::TScriptedDialogs() : Previous(SetDialogs(this)) {}
TScriptedDialogs::~TScriptedDialogs() {
  SetDialogs(Previous);
}

void TScriptedDialogs::MessageBox(const std::string& Text, const std::string&, TMsgKind) {
  Shown.push_back(Text);
}

TRetryIgnore TScriptedDialogs::RetryIgnore(const std::string& Text) {
  Shown.push_back(Text);
  return TakeOr(RetryIgnoreAnswers, TRetryIgnore::Ignore);
}

bool TScriptedDialogs::YesNo(const std::string& Text) {
  Shown.push_back(Text);
  return TakeOr(YesNoAnswers, false);
}

bool TScriptedDialogs::InputBox(const std::string&, const std::string& Prompt, std::string& Value) {
  Shown.push_back(Prompt);
  std::string Answer = TakeOr(InputAnswers, std::string("\x1b"));
  if (Answer == "\x1b") return false;
  Value = Answer;
  return true;
}

}  // namespace tolvar
