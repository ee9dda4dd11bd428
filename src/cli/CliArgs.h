#pragma once
// Option parsing for tolvar-cli and its commands.
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace tolvar::cli {

// A mistake in the command line: printed with the usage hint, exit status 2.
struct TUsageError : std::runtime_error {
  using std::runtime_error::runtime_error;
};
// A failure while carrying out a command: printed, exit status 1.
struct TCommandError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// The words after the command. Options are taken out as they are asked for;
// Finish() rejects whatever option nobody asked for.
class TArgs {
 public:
  explicit TArgs(std::vector<std::string> Words) : Words(std::move(Words)) {}

  bool Flag(const std::string& Name);
  std::optional<std::string> Value(const std::string& Name);
  std::vector<std::string> Values(const std::string& Name);
  long long Integer(const std::string& Name, long long Default, long long Min, long long Max);
  // Positional words; call after taking every option.
  std::vector<std::string> Positionals();
  void Finish();
  // The words not taken yet, options included.
  std::vector<std::string> Remaining() const { return Words; }

 private:
  std::vector<std::string> Words;
};

// Parses a whole integer in [Min, Max], naming What in the error.
long long ParseIntArg(const std::string& Text, const std::string& What, long long Min,
                      long long Max);

}  // namespace tolvar::cli
