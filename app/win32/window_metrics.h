// Twips of the shared layout turned into pixels of this display.
#pragma once

#include <windows.h>

#include "app/window_layout.h"

namespace rozovevi::app::win32 {

// Dots per inch of the display, across and down.
struct Dpi {
  int x;
  int y;
};

// The primary display's logical dots per inch.
Dpi ScreenDpi();

// A control's rectangle in pixels in the window's client area. A text box sits relative to its
// frame, so its frame's origin is added.
RECT ControlRectPixels(const ControlLayout& control, Dpi dpi);

// The client area's size in pixels.
SIZE ClientSizePixels(Dpi dpi);

// The height of a font of the given points at the given vertical dots per inch, in the negative
// form CreateFont takes for a character height.
int FontHeight(int points, int dots_per_inch);

}  // namespace rozovevi::app::win32
