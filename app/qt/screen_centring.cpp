// Centres a top-level window on the primary screen with the shared centring rule.
#include "app/qt/screen_centring.h"

#include <QGuiApplication>
#include <QPoint>
#include <QRect>
#include <QScreen>
#include <QWidget>

#include "app/centring.h"
#include "app/qt/window_looks.h"
#include "app/window_layout.h"

namespace rozovevi::app::qt {
namespace {

// Qt's device-independent pixels are 1/96 inch, so 15 twips each.
constexpr int kTwipsPerQtPixel = kTwipsPerInch / 96;

float ToTwips(int pixels) { return static_cast<float>(pixels) * kTwipsPerQtPixel; }

}  // namespace

void CentreOnPrimaryScreen(QWidget& window) {
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) return;  // No display to centre on; the window system places it.
  const QRect screen_area = screen->geometry();
  const QRect outer = window.frameGeometry();
  const WindowOrigin origin =
      CentredOrigin(ToTwips(screen_area.width()), ToTwips(screen_area.height()),
                    ToTwips(outer.width()), ToTwips(outer.height()));
  // The primary screen's corner is the desktop's origin on most systems; adding it keeps the
  // window on that screen where it is not.
  window.move(screen_area.topLeft() +
              QPoint(TwipsToQtPixels(origin.left), TwipsToQtPixels(origin.top)));
}

}  // namespace rozovevi::app::qt
