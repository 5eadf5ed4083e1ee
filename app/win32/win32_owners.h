// Move-only owners of the Win32 handles the window uses: GDI objects, icons, windows and DCs.
#pragma once

#include <windows.h>

#include <utility>

#include "app/window_layout.h"

namespace rozovevi::app::win32 {

// Owns one handle and frees it with Traits::Free when it goes.
template <typename Traits>
class UniqueHandle {
 public:
  using Handle = typename Traits::Handle;

  UniqueHandle() = default;
  explicit UniqueHandle(Handle handle) noexcept : handle_(handle) {}
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) {
      reset();
      handle_ = std::exchange(other.handle_, nullptr);
    }
    return *this;
  }
  ~UniqueHandle() { reset(); }

  Handle get() const noexcept { return handle_; }
  explicit operator bool() const noexcept { return handle_ != nullptr; }

  // Gives up ownership without freeing, for a handle the system has already freed.
  Handle release() noexcept { return std::exchange(handle_, nullptr); }

  void reset(Handle handle = nullptr) noexcept {
    // The member is cleared before freeing so that messages sent while freeing see no handle.
    if (Handle old = std::exchange(handle_, handle)) Traits::Free(old);
  }

 private:
  Handle handle_ = nullptr;
};

// Fonts, brushes and bitmaps are all GDI objects, freed alike.
template <typename GdiHandle>
struct GdiObjectTraits {
  using Handle = GdiHandle;
  static void Free(GdiHandle object) noexcept { DeleteObject(object); }
};
struct IconTraits {
  using Handle = HICON;
  static void Free(HICON icon) noexcept { DestroyIcon(icon); }
};
struct WindowTraits {
  using Handle = HWND;
  static void Free(HWND window) noexcept { DestroyWindow(window); }
};
struct MemoryDcTraits {
  using Handle = HDC;
  static void Free(HDC dc) noexcept { DeleteDC(dc); }
};

using UniqueFont = UniqueHandle<GdiObjectTraits<HFONT>>;
using UniqueBrush = UniqueHandle<GdiObjectTraits<HBRUSH>>;
using UniqueBitmap = UniqueHandle<GdiObjectTraits<HBITMAP>>;
using UniqueIcon = UniqueHandle<IconTraits>;
using UniqueWindow = UniqueHandle<WindowTraits>;
using UniqueMemoryDc = UniqueHandle<MemoryDcTraits>;

// A window's DC from GetDC, released with ReleaseDC. A null window gives the screen's DC.
class WindowDc {
 public:
  explicit WindowDc(HWND window) noexcept : window_(window), dc_(GetDC(window)) {}
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;
  ~WindowDc() {
    if (dc_ != nullptr) ReleaseDC(window_, dc_);
  }
  HDC get() const noexcept { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

// Selects a GDI object into a DC and puts the previous one back when it goes.
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
