// The modal message box the actions show, replaceable so that tests can answer it.
#pragma once

#include <windows.h>

#include <functional>
#include <string_view>

#include "actions/main_window_surface.h"

namespace rozovevi::app::win32 {

// Shows prompt in a modal box owned by owner, titled with the program name, in the given style,
// and returns the button pressed.
using MessageBoxFunction = std::function<actions::MessageAnswer(
    HWND owner, std::u16string_view prompt, actions::MessageStyle style)>;

// The system's MessageBoxW. Raises std::system_error when the box cannot be shown.
actions::MessageAnswer ShowSystemMessageBox(HWND owner, std::u16string_view prompt,
                                            actions::MessageStyle style);

}  // namespace rozovevi::app::win32
