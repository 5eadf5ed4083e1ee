// The size of the window manager's frame around a top-level window, asked for before it is shown.
#pragma once

#include <QMargins>

#include <optional>

class QWidget;

namespace rozovevi::app::qt {

// The frame the window manager will put around window, in pixels, known before the window is
// first shown. On X11 this asks the window manager with _NET_REQUEST_FRAME_EXTENTS and waits a
// bounded time for its answer; it creates the native window (not yet mapped) to do so. Empty
// where the window system does not say (another platform, a window manager without the request,
// or no answer in time): then nothing better than the client size is known before the first show.
std::optional<QMargins> FrameExtentsBeforeShow(QWidget& window);

}  // namespace rozovevi::app::qt
