// Drives frmROZoveVI in tests: a scripted message box, the message pump, keys and pixels.
#pragma once

#include <windows.h>

#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "actions/main_window_surface.h"
#include "app/win32/main_window.h"
#include "app/window_layout.h"
#include "ioserver/automation_runtime.h"
#include "tests/support/scripted_message_boxes.h"

namespace rozovevi::tests::support {

using testing::ShownMessage;

// Stands in for MessageBoxW: records each box and answers from a script (see
// ScriptedMessageBoxes for the answers once the script runs out).
class ScriptedMessageBox {
 public:
  app::win32::MessageBoxFunction Function();

  testing::ScriptedMessageBoxes boxes;
};

// A shown main window over a runtime, with its message boxes scripted.
class WindowUnderTest {
 public:
  explicit WindowUnderTest(ioserver::AutomationRuntime& runtime);

  app::win32::MainWindow& window() { return *window_; }
  HWND control(app::ControlId id) const { return window_->control(id); }
  std::vector<ShownMessage>& shown() { return boxes_->boxes.shown; }
  std::deque<actions::MessageAnswer>& answers() { return boxes_->boxes.answers; }

  // Handles every queued message as the program's message loop does.
  void Pump();
  // Presses and releases a key in the control that has the focus.
  void PressKey(UINT virtual_key, bool shift = false);
  void Type(app::ControlId id, std::u16string_view text);
  void Click(app::ControlId id);
  HWND Focus() const { return GetFocus(); }

 private:
  std::shared_ptr<ScriptedMessageBox> boxes_;
  std::unique_ptr<app::win32::MainWindow> window_;
};

// The client area of a window as painted, one COLORREF per pixel, rows top to bottom.
class ClientPixels {
 public:
  explicit ClientPixels(HWND window);
  app::Rgb At(int x, int y) const;
  int width() const { return width_; }
  int height() const { return height_; }

 private:
  int width_;
  int height_;
  std::vector<std::uint32_t> pixels_;  // 0x00RRGGBB.
};

// A control's rectangle in its parent's client coordinates.
RECT RectInParent(HWND control);

}  // namespace rozovevi::tests::support
