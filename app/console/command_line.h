// The command line of rozovevi-io: read ADDRESS, write ADDRESS VALUE, watch ADDRESS, --help,
// --version, --trace.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace rozovevi::app::console {

enum class Task { kRead, kWrite, kWatch, kHelp, kVersion };

// watch's default interval and its bounds.
inline constexpr std::chrono::microseconds kDefaultWatchInterval = std::chrono::seconds(1);
inline constexpr std::chrono::microseconds kShortestWatchInterval = std::chrono::milliseconds(50);
inline constexpr std::chrono::microseconds kLongestWatchInterval = std::chrono::hours(24);

struct Command {
  Task task = Task::kHelp;
  std::u16string address;
  std::u16string value;           // The write's value, unless value_from_input.
  bool value_from_input = false;  // VALUE was "-": the value is all of standard input.
  bool no_newline = false;        // -n: print the read value without a line end.
  bool confirmed = false;         // --yes: write without asking.
  bool trace = false;             // --trace: every MODBUS: frame on standard error.
  std::chrono::microseconds interval = kDefaultWatchInterval;  // watch --interval.
  std::optional<std::uint64_t> count;                          // watch --count: lines to print.
};

// Why the command line was refused, in one line.
struct UsageError {
  std::u16string reason;
};

// Parses the arguments after the program name. Options may come anywhere before "--"; after it,
// every argument is an address or a value. "-" alone is a value (standard input), never an option.
// Any other argument that begins with "-" before "--" is refused rather than guessed at, so a
// misspelt option is never taken for an address or a value. --help and --version win over
// everything else. --interval and --count take the next argument (or one after '=') as their
// value, and apply to watch only.
std::variant<Command, UsageError> ParseCommandLine(const std::vector<std::u16string>& arguments);

}  // namespace rozovevi::app::console
