// Owner-drawn push button: face, edge, caption, focus and default marks.
#include "app/win32/push_button_painter.h"

#include <string>

#include "app/win32/win32_owners.h"

namespace rozovevi::app::win32 {
namespace {

// The focus rectangle sits this far inside the button's edge.
constexpr int kFocusInset = 4;

std::wstring Caption(HWND button) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(button)) + 1, L'\0');
  text.resize(
      static_cast<std::size_t>(GetWindowTextW(button, text.data(), static_cast<int>(text.size()))));
  return text;
}

void DrawCaption(HDC dc, const std::wstring& text, RECT area, COLORREF colour) {
  SetTextColor(dc, colour);
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &area,
            DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

}  // namespace

void PaintPushButton(const DRAWITEMSTRUCT& item, HBRUSH face_brush, HFONT font, bool is_default) {
  HDC dc = item.hDC;
  RECT area = item.rcItem;
  const bool pressed = (item.itemState & ODS_SELECTED) != 0;
  const bool disabled = (item.itemState & ODS_DISABLED) != 0;
  const bool focused = (item.itemState & ODS_FOCUS) != 0;

  if (is_default) {
    FrameRect(dc, &area, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    InflateRect(&area, -1, -1);
  }
  FillRect(dc, &area, face_brush);
  DrawEdge(dc, &area, pressed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);

  const SelectedObject selected_font(dc, font);
  SetBkMode(dc, TRANSPARENT);
  RECT caption_area = area;
  if (pressed) OffsetRect(&caption_area, 1, 1);
  const std::wstring caption = Caption(item.hwndItem);
  if (disabled) {
    RECT highlight = caption_area;
    OffsetRect(&highlight, 1, 1);
    DrawCaption(dc, caption, highlight, GetSysColor(COLOR_BTNHIGHLIGHT));
    DrawCaption(dc, caption, caption_area, GetSysColor(COLOR_GRAYTEXT));
  } else {
    DrawCaption(dc, caption, caption_area, GetSysColor(COLOR_BTNTEXT));
  }

  if (focused) {
    RECT focus = area;
    InflateRect(&focus, -kFocusInset, -kFocusInset);
    // DrawFocusRect inverts; the button is repainted whole each time, so it never toggles off.
    SetTextColor(dc, RGB(0, 0, 0));
    SetBkColor(dc, RGB(255, 255, 255));
    DrawFocusRect(dc, &focus);
  }
}

}  // namespace rozovevi::app::win32
