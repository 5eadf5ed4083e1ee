// The program's message loop, with a dialog's keyboard handling for the main window.
#pragma once

#include "app/win32/main_window.h"

namespace rozovevi::app::win32 {

// Dispatches messages until WM_QUIT and returns the exit code it carries. An exception an action
// raised inside the window procedure is rethrown from here.
int RunMessageLoop(MainWindow& window);

}  // namespace rozovevi::app::win32
