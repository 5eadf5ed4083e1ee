// Centres a top-level window on the primary screen with the shared centring rule.
#pragma once

class QWidget;

namespace rozovevi::app::qt {

// Moves window so that its outer top-left corner is where CentredOrigin puts it, working in
// twips from the primary screen's size and the window's outer size. Call before the window is
// first shown. Where Qt does not know the frame yet, as on X11 before the first show, the window
// manager is asked for it (see FrameExtentsBeforeShow); where it cannot say, the outer size is the
// client size, the best known at that point.
void CentreOnPrimaryScreen(QWidget& window);

}  // namespace rozovevi::app::qt
