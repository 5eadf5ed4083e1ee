// Start-up of rozovevi-io on Linux: UTF-8 arguments, the embedded stand-in I/O server.
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/console/command_line.h"
#include "app/console/console_program.h"
#include "app/console/console_texts.h"
#include "app/console/posix_console_streams.h"
#include "app/console/posix_watch_clock.h"
#include "ioserver/embedded_runtime.h"
#include "ioserver/standard_error.h"
#include "ioserver/standin/process_setup.h"
#include "ioserver/standin/standin_server.h"
#include "ioserver/standin/text_frame_trace.h"
#include "ioserver/utf8.h"

int main(int argc, char* argv[]) {
  using namespace rozovevi;
  ioserver::standin::PrepareProcessForStandIn();
  app::console::PosixConsoleStreams streams;
  try {
    std::vector<std::u16string> arguments;
    for (int index = 1; index < argc; ++index) {
      std::optional<std::u16string> argument = ioserver::DecodeUtf8(argv[index]);
      if (!argument) return app::console::ReportUsageError(streams, app::console::kInvalidArgument);
      arguments.push_back(std::move(*argument));
    }
    // --trace: the frames of MODBUS: addresses on standard error. A command line the program
    // refuses is refused again, with its reason, by RunConsoleProgram.
    const auto command = app::console::ParseCommandLine(arguments);
    const auto* parsed = std::get_if<app::console::Command>(&command);
    std::optional<ioserver::standin::TextFrameTrace> trace;
    if (parsed != nullptr && parsed->trace) trace.emplace(ioserver::StandardError());
    const ioserver::standin::KindContext context{trace ? &*trace : nullptr};
    return app::console::RunConsoleProgram(
        arguments, streams,
        [&context] {
          auto runtime = std::make_unique<ioserver::EmbeddedRuntime>();
          ioserver::RegisterStandInServer(*runtime, context);
          return runtime;
        },
        [] { return std::make_unique<app::console::PosixWatchClock>(); });
  } catch (const std::exception& error) {
    return app::console::ReportUnexpectedError(streams, error);
  }
}
