// Message boxes as lines on standard error, and the write warning as a question on the terminal.
#include "app/console/console_surface.h"

#include <utility>

#include "actions/messages.h"
#include "app/console/console_program.h"
#include "app/console/console_texts.h"
#include "ioserver/utf8.h"

namespace rozovevi::app::console {

using actions::MessageAnswer;
using actions::MessageStyle;

ConsoleSurface::ConsoleSurface(ConsoleStreams& streams, std::u16string address,
                               std::u16string value, bool confirmed)
    : streams_(streams),
      address_(std::move(address)),
      value_(std::move(value)),
      confirmed_(confirmed) {}

MessageAnswer ConsoleSurface::ShowMessage(std::u16string_view prompt, MessageStyle style) {
  if (style == MessageStyle::kCriticalYesNo) return AskToWrite(prompt);
  WriteMessage(streams_, OneLine(prompt));
  return MessageAnswer::kOk;
}

void ConsoleSurface::ShowCallFailure(std::u16string_view prompt, const ioserver::Status& failure) {
  WriteMessage(streams_, OneLine(prompt) + WithReason(ioserver::WidenUtf8(failure.reason())));
}

MessageAnswer ConsoleSurface::AskToWrite(std::u16string_view warning) {
  const std::u16string_view line = streams_.LineEnd();
  if (!streams_.CanAsk()) {
    streams_.WriteError(std::u16string(kMessagePrefix) + std::u16string(kConfirmationNeeded) +
                        std::u16string(line));
    return MessageAnswer::kNo;
  }
  streams_.WriteError(WithLineEnds(warning, line) + std::u16string(kWriteQuestion));
  const std::optional<std::u16string> answer = streams_.ReadAnswer();
  // At the end of input the cursor is still after the question.
  if (!answer) streams_.WriteError(line);
  return answer && IsYes(*answer) ? MessageAnswer::kYes : MessageAnswer::kNo;
}

}  // namespace rozovevi::app::console
