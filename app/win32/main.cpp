// Start-up: COM on this thread, the main window centred and shown, then the message loop.
#include <windows.h>

#include <exception>
#include <string>

#include "actions/messages.h"
#include "app/win32/main_window.h"
#include "app/win32/message_loop.h"
#include "ioserver/com/com_apartment.h"
#include "ioserver/com/com_runtime.h"
#include "ioserver/io_error.h"
#include "ioserver/utf8.h"
#include "win32/win32_text.h"

namespace {

// Shows an error that ends the program; nothing else is left to report it.
int ReportFatal(const std::u16string& text) {
  using rozovevi::win32::AsWideCString;
  using rozovevi::win32::ToWide;
  MessageBoxW(nullptr, AsWideCString(text), ToWide(rozovevi::actions::kProgramName).c_str(),
              MB_ICONHAND | MB_OK);
  return 1;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show_command) {
  using namespace rozovevi;
  try {
    const ioserver::com::ComApartment apartment;
    ioserver::com::ComRuntime runtime;
    app::win32::MainWindow window(instance, runtime);
    window.Show(show_command);
    return app::win32::RunMessageLoop(window);
  } catch (const ioserver::IoError& error) {
    return ReportFatal(actions::ServerErrorPrompt(error.number(), error.description()));
  } catch (const std::exception& error) {
    return ReportFatal(ioserver::WidenUtf8(error.what()));
  }
}
