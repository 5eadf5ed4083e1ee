// rozovevi-io: parse, run one action through the shared exchange, turn its outcome into a status.
#include "app/console/console_program.h"

#include <new>
#include <optional>
#include <variant>

#include "actions/io_exchange.h"
#include "actions/messages.h"
#include "actions/read_action.h"
#include "actions/write_action.h"
#include "app/console/command_line.h"
#include "app/console/console_surface.h"
#include "app/console/console_texts.h"
#include "app/console/exit_status.h"
#include "app/console/watch_program.h"
#include "ioserver/io_error.h"
#include "ioserver/utf8.h"
#include "ioserver/value_limit.h"
#include "rozovevi_version.h"

namespace rozovevi::app::console {
namespace {

using actions::ExchangeOutcome;

int StatusOf(ExchangeOutcome outcome) {
  switch (outcome) {
    case ExchangeOutcome::kNoAddress:
      return exit_status::kUsage;
    case ExchangeOutcome::kStoppedByCheck:
      return exit_status::kNotConfirmed;
    case ExchangeOutcome::kFailed:
      return exit_status::kFailed;
    case ExchangeOutcome::kRaisedError:
      return exit_status::kRaisedError;
    case ExchangeOutcome::kDone:
      break;
  }
  return exit_status::kDone;
}

}  // namespace

std::unique_ptr<ioserver::AutomationRuntime> MakeRuntime(actions::MainWindowSurface& surface,
                                                         const RuntimeFactory& make_runtime) {
  try {
    return make_runtime();
  } catch (const ioserver::IoError& error) {
    surface.ShowMessage(actions::ServerErrorPrompt(error.number(), error.description()),
                        actions::MessageStyle::kCriticalOk);
    return nullptr;
  }
}

namespace {

int RunAction(const Command& command, ConsoleStreams& streams, const RuntimeFactory& make_runtime) {
  std::u16string value = command.value;
  if (command.value_from_input) {
    InputText input;
    try {
      input = streams.ReadAllInput(ioserver::kMaxValueBytes);
    } catch (const StreamError& error) {
      WriteMessage(streams, u"cannot read standard input: " + ioserver::WidenUtf8(error.what()));
      return exit_status::kUsage;
    }
    switch (input.status) {
      case InputText::Status::kNotUtf8:
        WriteMessage(streams, kInvalidInput);
        return exit_status::kUsage;
      case InputText::Status::kTooLarge:
        WriteMessage(streams, InputTooLargeMessage());
        return exit_status::kUsage;
      case InputText::Status::kRead:
        break;
    }
    value = std::move(input.text);
  }

  ConsoleSurface surface(streams, command.address, std::move(value), command.confirmed);
  std::unique_ptr<ioserver::AutomationRuntime> runtime = MakeRuntime(surface, make_runtime);
  if (!runtime) return exit_status::kRaisedError;

  if (command.task == Task::kWrite) return StatusOf(actions::RunWriteAction(surface, *runtime));

  const ExchangeOutcome outcome = actions::RunReadAction(surface, *runtime);
  if (outcome != ExchangeOutcome::kDone) return StatusOf(outcome);
  std::u16string text = surface.value();
  if (!command.no_newline) text += streams.LineEnd();
  return WriteResult(streams, text);
}

// A clock that cannot be made is reported as an error raised on the way to the server would be.
int RunWatchWithClock(const Command& command, ConsoleStreams& streams,
                      const RuntimeFactory& make_runtime, const ClockFactory& make_clock) {
  std::unique_ptr<WatchClock> clock;
  try {
    clock = make_clock();
  } catch (const WatchClockError& error) {
    WriteMessage(streams, u"watch cannot start: " + ioserver::WidenUtf8(error.what()));
    return exit_status::kRaisedError;
  }
  return RunWatch(command, streams, make_runtime, *clock);
}

}  // namespace

int RunConsoleProgram(const std::vector<std::u16string>& arguments, ConsoleStreams& streams,
                      const RuntimeFactory& make_runtime) {
  return RunConsoleProgram(arguments, streams, make_runtime, nullptr);
}

int RunConsoleProgram(const std::vector<std::u16string>& arguments, ConsoleStreams& streams,
                      const RuntimeFactory& make_runtime, const ClockFactory& make_clock) {
  const std::variant<Command, UsageError> parsed = ParseCommandLine(arguments);
  if (const auto* error = std::get_if<UsageError>(&parsed)) {
    return ReportUsageError(streams, error->reason);
  }
  const Command& command = std::get<Command>(parsed);
  switch (command.task) {
    case Task::kHelp:
      return WriteResult(streams, HelpText(streams.LineEnd()));
    case Task::kVersion:
      return WriteResult(streams, std::u16string(kConsoleProgramName) + u" " +
                                      ioserver::WidenUtf8(ROZOVEVI_VERSION_TEXT) +
                                      std::u16string(streams.LineEnd()));
    case Task::kWatch:
      if (!make_clock) {
        WriteMessage(streams, u"watch is not available here");
        return exit_status::kUsage;
      }
      return RunWatchWithClock(command, streams, make_runtime, make_clock);
    case Task::kRead:
    case Task::kWrite:
      break;
  }
  return RunAction(command, streams, make_runtime);
}

void WriteMessage(ConsoleStreams& streams, std::u16string_view text) {
  streams.WriteError(std::u16string(kMessagePrefix) + std::u16string(text) +
                     std::u16string(streams.LineEnd()));
}

int WriteResult(ConsoleStreams& streams, std::u16string_view text) {
  try {
    streams.WriteOutput(text);
  } catch (const StreamError& error) {
    WriteMessage(streams, u"cannot write standard output: " + ioserver::WidenUtf8(error.what()));
    return exit_status::kOutputFailed;
  }
  return exit_status::kDone;
}

int ReportUsageError(ConsoleStreams& streams, std::u16string_view reason) {
  WriteMessage(streams, reason);
  streams.WriteError(std::u16string(kTryHelp) + std::u16string(streams.LineEnd()));
  return exit_status::kUsage;
}

int ReportUnexpectedError(ConsoleStreams& streams, const std::exception& error) {
  if (dynamic_cast<const std::bad_alloc*>(&error) != nullptr) {
    const ioserver::IoError out_of_memory = ioserver::OutOfMemoryError();
    WriteMessage(streams, OneLine(actions::ServerErrorPrompt(out_of_memory.number(),
                                                             out_of_memory.description())));
  } else {
    WriteMessage(streams, u"unexpected error: " + ioserver::WidenUtf8(error.what()));
  }
  return exit_status::kRaisedError;
}

}  // namespace rozovevi::app::console
