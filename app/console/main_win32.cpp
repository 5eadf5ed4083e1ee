// Start-up of rozovevi-io.exe: UTF-16 arguments through wmain, the installed I/O server by COM.
#include <windows.h>

#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "app/console/console_program.h"
#include "app/console/win32_console_streams.h"
#include "app/console/win32_watch_clock.h"
#include "ioserver/com/com_apartment.h"
#include "ioserver/com/com_runtime.h"
#include "win32/win32_text.h"

namespace {

// COM stays initialised on this thread for as long as the runtime lives.
class ApartmentRuntime final : public rozovevi::ioserver::AutomationRuntime {
 public:
  std::unique_ptr<rozovevi::ioserver::IoServer> CreateObject(std::u16string_view prog_id) override {
    return runtime_.CreateObject(prog_id);
  }
  std::u16string ConvertToText(const rozovevi::ioserver::AutomationValue& value) const override {
    return runtime_.ConvertToText(value);
  }

 private:
  const rozovevi::ioserver::com::ComApartment apartment_;
  rozovevi::ioserver::com::ComRuntime runtime_;
};

}  // namespace

int wmain(int argc, wchar_t* argv[]) {
  using namespace rozovevi;
  app::console::Win32ConsoleStreams streams;
  try {
    std::vector<std::u16string> arguments;
    for (int index = 1; index < argc; ++index) {
      arguments.push_back(win32::FromWide(argv[index]));
    }
    return app::console::RunConsoleProgram(
        arguments, streams, [] { return std::make_unique<ApartmentRuntime>(); },
        [] { return std::make_unique<app::console::Win32WatchClock>(); });
  } catch (const std::exception& error) {
    return app::console::ReportUnexpectedError(streams, error);
  }
}
