// GetMessage, IsDialogMessage, TranslateMessage, DispatchMessage.
#include "app/win32/message_loop.h"

#include "win32/system_error.h"

namespace rozovevi::app::win32 {

int RunMessageLoop(MainWindow& window) {
  MSG message{};
  for (;;) {
    const BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got == 0) return static_cast<int>(message.wParam);
    if (got == -1) {
      rozovevi::win32::ThrowLastError("GetMessageW");
    }
    if (!window.TranslateDialogMessage(message)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    window.RethrowPendingError();
  }
}

}  // namespace rozovevi::app::win32
