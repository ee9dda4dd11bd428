#pragma once
// The dialogs of the components (message, Retry/Ignore, Yes/No and input
// boxes), shown as Qt dialogs over the active window.
#include "util/Dialogs.h"

namespace tolvar {

class TQtDialogs : public TDialogs {
 public:
  void MessageBox(const std::string& Text, const std::string& Caption, TMsgKind Kind) override;
  TRetryIgnore RetryIgnore(const std::string& Text) override;
  bool YesNo(const std::string& Text) override;
  bool InputBox(const std::string& Caption, const std::string& Prompt, std::string& Value) override;
};

}  // namespace tolvar
