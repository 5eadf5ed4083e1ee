// Parses the arguments of rozovevi-io into one Command.
#include "app/console/command_line.h"

#include <string_view>

namespace rozovevi::app::console {
namespace {

constexpr std::u16string_view kEndOfOptions = u"--";
constexpr std::u16string_view kStandardInput = u"-";

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
  bool options_ended = false;
  std::vector<std::u16string> words;
  std::u16string unknown_option;
  for (const std::u16string& argument : arguments) {
    if (options_ended || !LooksLikeOption(argument)) {
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
  if (words.empty()) return UsageError{u"no command given: read or write"};

  const std::u16string& verb = words.front();
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
  } else {
    return UsageError{u"unknown command '" + verb + u"': read or write"};
  }
  command.address = words[1];
  command.no_newline = no_newline;
  command.confirmed = confirmed;
  return command;
}

}  // namespace rozovevi::app::console
