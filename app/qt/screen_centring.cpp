// Centres a top-level window on the primary screen with the shared centring rule.
#include "app/qt/screen_centring.h"

#include <QGuiApplication>
#include <QPoint>
#include <QRect>
#include <QScreen>
#include <QSize>
#include <QWidget>

#include <optional>

#include "app/centring.h"
#include "app/qt/frame_extents.h"
#include "app/qt/window_looks.h"
#include "app/window_layout.h"

namespace rozovevi::app::qt {

void CentreOnPrimaryScreen(QWidget& window) {
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) return;  // No display to centre on; the window system places it.
  const QRect screen_area = screen->geometry();
  QSize outer = window.frameGeometry().size();
  // Before the first show Qt on X11 knows no frame yet; the window manager can say what it will be.
  QPoint client_offset;
  if (outer == window.size()) {
    if (const std::optional<QMargins> frame = FrameExtentsBeforeShow(window)) {
      outer = window.size().grownBy(*frame);
      // Qt knows no frame, so it places the client area where the window is moved to.
      client_offset = QPoint(frame->left(), frame->top());
    }
  }
  const WindowOrigin origin =
      CentredOrigin(QtPixelsToTwips(screen_area.width()), QtPixelsToTwips(screen_area.height()),
                    QtPixelsToTwips(outer.width()), QtPixelsToTwips(outer.height()));
  // The primary screen's corner is the desktop's origin on most systems; adding it keeps the
  // window on that screen where it is not.
  window.move(screen_area.topLeft() +
              QPoint(TwipsToQtPixels(origin.left), TwipsToQtPixels(origin.top)) + client_offset);
}

}  // namespace rozovevi::app::qt
