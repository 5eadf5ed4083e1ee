// Conversions between the layout's twips and this display's pixels.
#include "app/win32/window_metrics.h"

#include "app/win32/win32_owners.h"

namespace rozovevi::app::win32 {
namespace {
constexpr int kPointsPerInch = 72;
}  // namespace

Dpi ScreenDpi() {
  const UniqueWindowDc screen(nullptr);
  return Dpi{GetDeviceCaps(screen.get(), LOGPIXELSX), GetDeviceCaps(screen.get(), LOGPIXELSY)};
}

RECT ControlRectPixels(const ControlLayout& control, Dpi dpi) {
  int left = control.left;
  int top = control.top;
  if (control.container != control.id) {
    const ControlLayout& frame = Control(control.container);
    left += frame.left;
    top += frame.top;
  }
  const int x = TwipsToPixels(left, dpi.x);
  const int y = TwipsToPixels(top, dpi.y);
  return RECT{x, y, x + TwipsToPixels(control.width, dpi.x),
              y + TwipsToPixels(control.height, dpi.y)};
}

SIZE ClientSizePixels(Dpi dpi) {
  return SIZE{TwipsToPixels(kClientWidthTwips, dpi.x), TwipsToPixels(kClientHeightTwips, dpi.y)};
}

int FontHeight(int points, int dots_per_inch) {
  return -MulDiv(points, dots_per_inch, kPointsPerInch);
}

}  // namespace rozovevi::app::win32
