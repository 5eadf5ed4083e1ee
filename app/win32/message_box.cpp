// MessageBoxW with the program name as title and the style numbers as MB_ flags.
#include "app/win32/message_box.h"

#include <string>

#include "actions/messages.h"
#include "win32/system_error.h"
#include "win32/win32_text.h"

namespace rozovevi::app::win32 {

actions::MessageAnswer ShowSystemMessageBox(HWND owner, std::u16string_view prompt,
                                            actions::MessageStyle style) {
  using rozovevi::win32::ToWide;
  // The style numbers are the MB_ flag combinations themselves (16 = MB_ICONHAND | MB_OK, ...).
  const int answer =
      MessageBoxW(owner, ToWide(prompt).c_str(), ToWide(actions::kProgramName).c_str(),
                  static_cast<UINT>(style) | MB_SETFOREGROUND);
  if (answer == 0) {
    rozovevi::win32::ThrowLastError("MessageBoxW");
  }
  return static_cast<actions::MessageAnswer>(answer);
}

}  // namespace rozovevi::app::win32
