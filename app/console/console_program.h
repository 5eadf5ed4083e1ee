// rozovevi-io from its arguments to its exit status, on any platform.
#pragma once

#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "actions/main_window_surface.h"
#include "app/console/console_streams.h"
#include "app/console/watch_clock.h"
#include "ioserver/automation_runtime.h"

namespace rozovevi::app::console {

// Makes the automation runtime, only once a read or a write is to be made. May raise IoError
// (COM cannot be initialised), which is reported like any error of creating the server.
using RuntimeFactory = std::function<std::unique_ptr<ioserver::AutomationRuntime>()>;

// Runs one read or write through the same exchange as the window, with a ConsoleSurface, and
// returns the exit status (see exit_status.h). The read value goes to standard output only when
// the server reported success, so that a script never takes a failed read's leftovers for a value.
int RunConsoleProgram(const std::vector<std::u16string>& arguments, ConsoleStreams& streams,
                      const RuntimeFactory& make_runtime);

// The same, with the platform's clock for watch (see watch_program.h); without one, watch is
// reported as not available. A clock that cannot be made (WatchClockError) is reported and gives
// the status of a raised error.
int RunConsoleProgram(const std::vector<std::u16string>& arguments, ConsoleStreams& streams,
                      const RuntimeFactory& make_runtime,
                      const std::function<std::unique_ptr<WatchClock>()>& make_clock);

// Makes the runtime. An error raised by making it is shown on surface, and gives nothing.
std::unique_ptr<ioserver::AutomationRuntime> MakeRuntime(actions::MainWindowSurface& surface,
                                                         const RuntimeFactory& make_runtime);

// Writes text to standard error as one of the program's messages, on a line of its own.
void WriteMessage(ConsoleStreams& streams, std::u16string_view text);

// Writes text to standard output; a failure is reported and gives the output exit status,
// success the done status.
int WriteResult(ConsoleStreams& streams, std::u16string_view text);

// Reports a refused command line on standard error and returns the usage exit status.
int ReportUsageError(ConsoleStreams& streams, std::u16string_view reason);

// Reports an error that escaped everything else and returns the status of a raised error. Out of
// memory is reported in the window's words, as error 7 "Out of memory"; anything else is named
// an unexpected error.
int ReportUnexpectedError(ConsoleStreams& streams, const std::exception& error);

}  // namespace rozovevi::app::console
