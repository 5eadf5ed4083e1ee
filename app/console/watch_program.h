// rozovevi-io watch: reads one address again and again, and prints each change with its time.
#pragma once

#include <functional>
#include <memory>

#include "app/console/command_line.h"
#include "app/console/console_program.h"
#include "app/console/console_streams.h"
#include "app/console/watch_clock.h"

namespace rozovevi::app::console {

// Makes the platform's clock for a watch; only a watch makes one, so that read and write leave
// the process's stop requests alone.
using ClockFactory = std::function<std::unique_ptr<WatchClock>()>;

// Reads command.address through the same exchange as read, once every command.interval (at
// once again when a read took longer). Prints "<time> <value>" on standard output the first
// time and each time the value or the success of the read changes, "<time> FAILED: <reason>" for
// a failed read (a failure after a failure is no change, whatever the reasons), each line written
// whole as it comes. Stops with 0 after command.count lines or when a stop is asked. An empty
// address is a usage error; a failure that no repetition can mend (a malformed address) is
// reported as read reports it and gives 1 at once; an error raised by creating the runtime gives
// 3; standard output that cannot be written gives 5.
int RunWatch(const Command& command, ConsoleStreams& streams, const RuntimeFactory& make_runtime,
             WatchClock& clock);

}  // namespace rozovevi::app::console
