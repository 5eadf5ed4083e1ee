// Draws the owner-drawn push buttons, so that their face shows the layout's colour.
#pragma once

#include <windows.h>

namespace rozovevi::app::win32 {

// Draws one push button for WM_DRAWITEM: the face in face_brush, a raised edge (sunken while
// pressed), the caption in font (embossed grey while disabled), a focus rectangle while it has
// the focus, and a dark outline while it is the button Enter activates.
void PaintPushButton(const DRAWITEMSTRUCT& item, HBRUSH face_brush, HFONT font, bool is_default);

}  // namespace rozovevi::app::win32
