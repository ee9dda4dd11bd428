#include "StringFunctions.h"

#include <algorithm>

namespace tolvar {

namespace {
char Lower(char C) {
  return (C >= 'A' && C <= 'Z') ? static_cast<char>(C - 'A' + 'a') : C;
}
bool IsBlank(char C) {
  return static_cast<unsigned char>(C) <= ' ';
}
}  // namespace

std::string ZeroPad(long long Value, int Width) {
  std::string Digits = std::to_string(Value);
  if (static_cast<int>(Digits.size()) >= Width) return Digits;
  return std::string(Width - Digits.size(), '0') + Digits;
}

bool SameText(std::string_view A, std::string_view B) {
  return A.size() == B.size() && std::equal(A.begin(), A.end(), B.begin(),
                                            [](char X, char Y) { return Lower(X) == Lower(Y); });
}

bool StartsWithText(std::string_view Prefix, std::string_view Text) {
  return Text.size() >= Prefix.size() && SameText(Prefix, Text.substr(0, Prefix.size()));
}

bool EndsWithText(std::string_view Suffix, std::string_view Text) {
  return Text.size() >= Suffix.size() && SameText(Suffix, Text.substr(Text.size() - Suffix.size()));
}

std::string ExcludeTrailingSlash(std::string_view Text) {
  if (!Text.empty() && (Text.back() == '/' || Text.back() == '\\')) Text.remove_suffix(1);
  return std::string(Text);
}

std::string LowerCase(std::string_view Text) {
  std::string Result(Text);
  std::transform(Result.begin(), Result.end(), Result.begin(), Lower);
  return Result;
}

std::string Trim(std::string_view Text) {
  while (!Text.empty() && IsBlank(Text.front())) Text.remove_prefix(1);
  while (!Text.empty() && IsBlank(Text.back())) Text.remove_suffix(1);
  return std::string(Text);
}

}  // namespace tolvar
