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

void CentreOnPrimaryScreen(QWidget& window) {
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) return;  // No display to centre on; the window system places it.
  const QRect screen_area = screen->geometry();
  const QRect outer = window.frameGeometry();
  const WindowOrigin origin =
      CentredOrigin(QtPixelsToTwips(screen_area.width()), QtPixelsToTwips(screen_area.height()),
                    QtPixelsToTwips(outer.width()), QtPixelsToTwips(outer.height()));
  // The primary screen's corner is the desktop's origin on most systems; adding it keeps the
  // window on that screen where it is not.
  window.move(screen_area.topLeft() +
              QPoint(TwipsToQtPixels(origin.left), TwipsToQtPixels(origin.top)));
}

}  // namespace rozovevi::app::qt
