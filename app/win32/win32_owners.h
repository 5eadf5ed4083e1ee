// Owners of the Win32 handles the window uses: GDI objects, icons, windows and DCs.
#pragma once

#include <windows.h>

#include "app/window_layout.h"
#include "win32/unique_handle.h"

namespace rozovevi::app::win32 {

using UniqueFont = rozovevi::win32::UniqueHandle<HFONT, DeleteObject>;
using UniqueBrush = rozovevi::win32::UniqueHandle<HBRUSH, DeleteObject>;
using UniqueBitmap = rozovevi::win32::UniqueHandle<HBITMAP, DeleteObject>;
using UniqueIcon = rozovevi::win32::UniqueHandle<HICON, DestroyIcon>;
using UniqueWindow = rozovevi::win32::UniqueHandle<HWND, DestroyWindow>;
using UniqueMemoryDc = rozovevi::win32::UniqueHandle<HDC, DeleteDC>;

// A window's DC from GetDC, released with ReleaseDC. A null window gives the screen's DC. Not
// a UniqueHandle: freeing it takes the window as well as the DC.
class UniqueWindowDc {
 public:
  explicit UniqueWindowDc(HWND window) noexcept : window_(window), dc_(GetDC(window)) {}
  UniqueWindowDc(const UniqueWindowDc&) = delete;
  UniqueWindowDc& operator=(const UniqueWindowDc&) = delete;
  ~UniqueWindowDc() {
    if (dc_ != nullptr) ReleaseDC(window_, dc_);
  }
  HDC get() const noexcept { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

// Selects a GDI object into a DC and puts the previous one back when it goes. It frees nothing,
// so it is no owner: the object selected stays its owner's.
class SelectedObject {
 public:
  SelectedObject(HDC dc, HGDIOBJ object) noexcept : dc_(dc), previous_(SelectObject(dc, object)) {}
  SelectedObject(const SelectedObject&) = delete;
  SelectedObject& operator=(const SelectedObject&) = delete;
  ~SelectedObject() {
    if (previous_ != nullptr && previous_ != HGDI_ERROR) SelectObject(dc_, previous_);
  }

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

inline COLORREF ToColorRef(Rgb colour) { return RGB(colour.red, colour.green, colour.blue); }

}  // namespace rozovevi::app::win32
