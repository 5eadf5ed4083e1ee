// Parses the arguments of rozovevi-io into one Command.
#include "app/console/command_line.h"

#include <limits>
#include <string>
#include <string_view>

#include "ioserver/ascii_text.h"

namespace rozovevi::app::console {
namespace {

constexpr std::u16string_view kEndOfOptions = u"--";
constexpr std::u16string_view kStandardInput = u"-";
constexpr std::u16string_view kIntervalOption = u"--interval";
constexpr std::u16string_view kCountOption = u"--count";
constexpr std::uint64_t kDecimalBase = 10;

// Seconds as decimal digits with an optional fraction, within watch's bounds; digits past the
// microsecond count against the bounds.
std::optional<std::chrono::microseconds> ParseInterval(std::u16string_view text) {
  std::string ascii;
  for (char16_t unit : text) {
    if (unit > 0x7F) return std::nullopt;
    ascii += static_cast<char>(unit);
  }
  return ioserver::ParseSeconds(ascii, kShortestWatchInterval, kLongestWatchInterval);
}

// A whole number of 1 or more, in decimal digits.
std::optional<std::uint64_t> ParseCount(std::u16string_view text) {
  if (text.empty()) return std::nullopt;
  std::uint64_t count = 0;
  for (char16_t unit : text) {
    if (unit < u'0' || unit > u'9') return std::nullopt;
    const std::uint64_t digit = unit - u'0';
    if (count > (std::numeric_limits<std::uint64_t>::max() - digit) / kDecimalBase)
      return std::nullopt;
    count = count * kDecimalBase + digit;
  }
  if (count == 0) return std::nullopt;
  return count;
}

// "--name=value" gives value; "--name" takes the next argument.
bool IsValuedOption(std::u16string_view argument, std::u16string_view name) {
  return argument == name ||
         (argument.size() > name.size() && ioserver::StartsWith(argument, name) &&
          argument[name.size()] == u'=');
}

bool IsOneOf(std::u16string_view argument, std::u16string_view a, std::u16string_view b) {
  return argument == a || argument == b;
}

bool LooksLikeOption(std::u16string_view argument) {
  return argument.size() > 1 && argument.front() == u'-';
}

}  // namespace

std::variant<Command, UsageError> ParseCommandLine(const std::vector<std::u16string>& arguments) {
  bool help = false;
  bool version = false;
  bool no_newline = false;
  bool confirmed = false;
  bool trace = false;
  bool options_ended = false;
  std::vector<std::u16string> words;
  std::u16string unknown_option;
  std::optional<std::u16string> interval_text;
  std::optional<std::u16string> count_text;
  std::u16string missing_value;
  for (std::size_t index = 0; index < arguments.size(); ++index) {
    const std::u16string& argument = arguments[index];
    const bool interval = IsValuedOption(argument, kIntervalOption);
    if (!options_ended && (interval || IsValuedOption(argument, kCountOption))) {
      const std::u16string_view name = interval ? kIntervalOption : kCountOption;
      std::optional<std::u16string>& value = interval ? interval_text : count_text;
      if (argument.size() > name.size()) {
        value = argument.substr(name.size() + 1);
      } else if (index + 1 < arguments.size()) {
        value = arguments[++index];
      } else {
        missing_value = name;
      }
    } else if (options_ended || !LooksLikeOption(argument)) {
      words.push_back(argument);
    } else if (argument == kEndOfOptions) {
      options_ended = true;
    } else if (IsOneOf(argument, u"--help", u"-h")) {
      help = true;
    } else if (argument == u"--version") {
      version = true;
    } else if (argument == u"-n") {
      no_newline = true;
    } else if (IsOneOf(argument, u"--yes", u"-y")) {
      confirmed = true;
    } else if (argument == u"--trace") {
      trace = true;
    } else if (unknown_option.empty()) {
      unknown_option = argument;
    }
  }

  Command command;
  if (help) return command;
  if (version) {
    command.task = Task::kVersion;
    return command;
  }
  if (!unknown_option.empty()) {
    return UsageError{u"unknown option '" + unknown_option +
                      u"' (put -- before an address or value that begins with -)"};
  }
  if (!missing_value.empty()) return UsageError{missing_value + u" needs a value"};
  if (words.empty()) return UsageError{u"no command given: read, write or watch"};

  const std::u16string& verb = words.front();
  if ((interval_text || count_text) && verb != u"watch") {
    return UsageError{u"--interval and --count apply to watch only"};
  }
  if (verb == u"read") {
    if (words.size() != 2) return UsageError{u"read takes one ADDRESS"};
    if (confirmed) return UsageError{u"--yes applies to write only"};
    command.task = Task::kRead;
  } else if (verb == u"write") {
    if (words.size() != 3) return UsageError{u"write takes an ADDRESS and a VALUE"};
    if (no_newline) return UsageError{u"-n applies to read only"};
    command.task = Task::kWrite;
    command.value_from_input = words[2] == kStandardInput;
    if (!command.value_from_input) command.value = words[2];
  } else if (verb == u"watch") {
    if (words.size() != 2) return UsageError{u"watch takes one ADDRESS"};
    if (confirmed) return UsageError{u"--yes applies to write only"};
    if (no_newline) return UsageError{u"-n applies to read only"};
    command.task = Task::kWatch;
    if (interval_text) {
      const std::optional<std::chrono::microseconds> interval = ParseInterval(*interval_text);
      if (!interval) {
        return UsageError{u"--interval takes seconds from 0.05 to 86400, not '" + *interval_text +
                          u"'"};
      }
      command.interval = *interval;
    }
    if (count_text) {
      command.count = ParseCount(*count_text);
      if (!command.count) {
        return UsageError{u"--count takes a whole number of 1 or more, not '" + *count_text + u"'"};
      }
    }
  } else {
    return UsageError{u"unknown command '" + verb + u"': read, write or watch"};
  }
  command.address = words[1];
  command.no_newline = no_newline;
  command.confirmed = confirmed;
  command.trace = trace;
  return command;
}

}  // namespace rozovevi::app::console
