// The command line of rozovevi-io: read ADDRESS, write ADDRESS VALUE, --help, --version.
#pragma once

#include <string>
#include <variant>
#include <vector>

namespace rozovevi::app::console {

enum class Task { kRead, kWrite, kHelp, kVersion };

struct Command {
  Task task = Task::kHelp;
  std::u16string address;
  std::u16string value;           // The write's value, unless value_from_input.
  bool value_from_input = false;  // VALUE was "-": the value is all of standard input.
  bool no_newline = false;        // -n: print the read value without a line end.
  bool confirmed = false;         // --yes: write without asking.
};

// Why the command line was refused, in one line.
struct UsageError {
  std::u16string reason;
};

// Parses the arguments after the program name. Options may come anywhere before "--"; after it,
// every argument is an address or a value. "-" alone is a value (standard input), never an option.
// Any other argument that begins with "-" before "--" is refused rather than guessed at, so a
// misspelt option is never taken for an address or a value. --help and --version win over
// everything else.
std::variant<Command, UsageError> ParseCommandLine(const std::vector<std::u16string>& arguments);

}  // namespace rozovevi::app::console
