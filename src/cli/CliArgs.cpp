#include "CliArgs.h"

#include "util/IniFile.h"

namespace tolvar::cli {

bool TArgs::Flag(const std::string& Name) {
  bool Found = false;
  for (auto It = Words.begin(); It != Words.end();) {
    if (*It == Name) {
      It = Words.erase(It);
      Found = true;
    } else {
      ++It;
    }
  }
  return Found;
}

std::vector<std::string> TArgs::Values(const std::string& Name) {
  std::vector<std::string> Found;
  for (auto It = Words.begin(); It != Words.end();) {
    if (*It == Name) {
      if (It + 1 == Words.end()) throw TUsageError("option " + Name + " needs a value");
      Found.push_back(*(It + 1));
      It = Words.erase(It, It + 2);
    } else if (It->rfind(Name + "=", 0) == 0) {
      Found.push_back(It->substr(Name.size() + 1));
      It = Words.erase(It);
    } else {
      ++It;
    }
  }
  return Found;
}

std::optional<std::string> TArgs::Value(const std::string& Name) {
  auto Found = Values(Name);
  if (Found.size() > 1) throw TUsageError("option " + Name + " given more than once");
  if (Found.empty()) return std::nullopt;
  return Found.front();
}

long long TArgs::Integer(const std::string& Name, long long Default, long long Min, long long Max) {
  auto Text = Value(Name);
  return Text ? ParseIntArg(*Text, "option " + Name, Min, Max) : Default;
}

std::vector<std::string> TArgs::Positionals() {
  std::vector<std::string> Result;
  bool OptionsEnded = false;
  for (const std::string& W : Words) {
    if (!OptionsEnded && W == "--") {
      OptionsEnded = true;
      continue;
    }
    if (!OptionsEnded && W.size() > 1 && W[0] == '-' && !(W[1] >= '0' && W[1] <= '9'))
      throw TUsageError("unknown option " + W);
    Result.push_back(W);
  }
  Words.clear();
  return Result;
}

void TArgs::Finish() {
  if (!Positionals().empty()) throw TUsageError("unexpected argument");
}

long long ParseIntArg(const std::string& Text, const std::string& What, long long Min,
                      long long Max) {
  long long Value;
  if (!ParseInteger(Text, Value) || Value < Min || Value > Max)
    throw TUsageError(What + ": '" + Text + "' is not a number from " + std::to_string(Min) +
                      " to " + std::to_string(Max));
  return Value;
}

}  // namespace tolvar::cli
