// Builds the multi-line prompts.
#include "actions/messages.h"

#include "ioserver/utf8.h"

namespace rozovevi::actions {
namespace {
constexpr std::u16string_view kCrLf = u"\r\n";
}  // namespace

std::u16string WriteWarningPrompt() {
  std::u16string prompt(u"You are about to Write a value back to a file or device ...");
  prompt += kCrLf;
  prompt += u"Doing so may have a negative effect on the production line.";
  prompt += kCrLf;
  prompt += kCrLf;
  prompt += u"Are you SURE you still want to do this?";
  return prompt;
}

std::u16string ServerErrorPrompt(std::int32_t number, std::u16string_view description) {
  std::u16string prompt(u"I/O server error ");
  prompt += ioserver::WidenUtf8(std::to_string(number));
  prompt += u":";
  prompt += kCrLf;
  prompt += kCrLf;
  prompt += description;
  return prompt;
}

}  // namespace rozovevi::actions
