// The window driver: message pump, keys, scripted message boxes and client-area pixels.
#include "tests/win32/support/window_driver.h"

#include <stdexcept>

#include "app/win32/win32_owners.h"
#include "win32/win32_text.h"

namespace rozovevi::tests::support {
namespace {

using app::ControlId;
using app::win32::MainWindow;

bool ButtonEnabled(HWND owner, ControlId id) {
  return IsWindowEnabled(GetDlgItem(owner, MainWindow::ControlIdNumber(id))) != FALSE;
}

std::u16string ControlText(HWND owner, ControlId id) {
  HWND control = GetDlgItem(owner, MainWindow::ControlIdNumber(id));
  std::u16string text(static_cast<std::size_t>(GetWindowTextLengthW(control)) + 1, u'\0');
  const int copied =
      GetWindowTextW(control, rozovevi::win32::AsWideBuffer(text), static_cast<int>(text.size()));
  text.resize(static_cast<std::size_t>(copied));
  return text;
}

}  // namespace

app::win32::MessageBoxFunction ScriptedMessageBox::Function() {
  return [this](HWND owner, std::u16string_view prompt, actions::MessageStyle style) {
    return boxes.Answer({std::u16string(prompt), style, ButtonEnabled(owner, ControlId::kCmdRead),
                         ButtonEnabled(owner, ControlId::kCmdWrite),
                         ControlText(owner, ControlId::kTxtValue)});
  };
}

WindowUnderTest::WindowUnderTest(ioserver::AutomationRuntime& runtime)
    : boxes_(std::make_shared<ScriptedMessageBox>()),
      window_(
          std::make_unique<MainWindow>(GetModuleHandleW(nullptr), runtime, boxes_->Function())) {
  window_->Show(SW_SHOWNORMAL);
  Pump();
}

void WindowUnderTest::Pump() {
  MSG message{};
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) continue;  // A window closed by an earlier test.
    if (!window_->TranslateDialogMessage(message)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    window_->RethrowPendingError();
  }
}

void WindowUnderTest::PressKey(UINT virtual_key, bool shift) {
  BYTE keys[256] = {};
  GetKeyboardState(keys);
  const BYTE old_shift = keys[VK_SHIFT];
  keys[VK_SHIFT] = shift ? 0x80 : 0;
  SetKeyboardState(keys);
  HWND target = GetFocus();
  PostMessageW(target, WM_KEYDOWN, virtual_key, 1);
  Pump();
  PostMessageW(target, WM_KEYUP, virtual_key, static_cast<LPARAM>(0xC0000001u));
  Pump();
  keys[VK_SHIFT] = old_shift;
  SetKeyboardState(keys);
}

void WindowUnderTest::Type(ControlId id, std::u16string_view text) {
  SetWindowTextW(control(id), rozovevi::win32::ToWide(text).c_str());
}

void WindowUnderTest::Click(ControlId id) {
  // What a mouse click on an enabled button makes it send.
  SendMessageW(window_->handle(), WM_COMMAND,
               MAKEWPARAM(MainWindow::ControlIdNumber(id), BN_CLICKED),
               reinterpret_cast<LPARAM>(control(id)));
  window_->RethrowPendingError();
  Pump();
}

ClientPixels::ClientPixels(HWND window) {
  RedrawWindow(window, nullptr, nullptr,
               RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  RECT client{};
  GetClientRect(window, &client);
  width_ = client.right;
  height_ = client.bottom;

  const app::win32::UniqueWindowDc source(window);
  app::win32::UniqueMemoryDc memory(CreateCompatibleDC(source.get()));
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width_;
  info.bmiHeader.biHeight = -height_;  // Top-down.
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  app::win32::UniqueBitmap bitmap(
      CreateDIBSection(source.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!memory.valid() || !bitmap.valid() || bits == nullptr)
    throw std::runtime_error("cannot capture the window");
  {
    const app::win32::SelectedObject selected(memory.get(), bitmap.get());
    BitBlt(memory.get(), 0, 0, width_, height_, source.get(), 0, 0, SRCCOPY);
    GdiFlush();
  }
  const auto* first = static_cast<const std::uint32_t*>(bits);
  pixels_.assign(first, first + static_cast<std::size_t>(width_) * height_);
}

app::Rgb ClientPixels::At(int x, int y) const {
  const std::uint32_t pixel = pixels_.at(static_cast<std::size_t>(y) * width_ + x);
  return app::Rgb{static_cast<std::uint8_t>(pixel >> 16), static_cast<std::uint8_t>(pixel >> 8),
                  static_cast<std::uint8_t>(pixel)};
}

RECT RectInParent(HWND control) {
  RECT rect{};
  GetWindowRect(control, &rect);
  MapWindowPoints(HWND_DESKTOP, GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

}  // namespace rozovevi::tests::support
