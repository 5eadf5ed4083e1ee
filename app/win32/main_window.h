// frmROZoveVI: the program's one window, drawn with plain Win32 controls.
#pragma once

#include <windows.h>

#include <array>
#include <exception>
#include <functional>
#include <string>

#include "actions/main_window_surface.h"
#include "app/win32/message_box.h"
#include "app/win32/win32_owners.h"
#include "app/win32/window_metrics.h"
#include "app/window_layout.h"
#include "ioserver/automation_runtime.h"

namespace rozovevi::app::win32 {

class MainWindow final : public actions::MainWindowSurface {
 public:
  // Creates the window and its controls from the shared layout at the display's DPI, and centres
  // it on the primary display. The window stays hidden until Show. The two buttons run the Read
  // and Write actions against runtime, showing their messages through message_box. Raises
  // std::system_error when the window cannot be created.
  MainWindow(HINSTANCE instance, ioserver::AutomationRuntime& runtime,
             MessageBoxFunction message_box = ShowSystemMessageBox);
  ~MainWindow() override;

  // Shows the window with the focus in txtAddress.
  void Show(int show_command);

  HWND handle() const noexcept { return window_.get(); }
  HWND control(ControlId id) const noexcept { return controls_[static_cast<std::size_t>(id)]; }
  static int ControlIdNumber(ControlId id) noexcept;
  Dpi dpi() const noexcept { return dpi_; }

  // Gives a queued message the keyboard handling of a dialog (Tab, Shift+Tab, Enter for the
  // default button). Returns true when it was handled and must not be dispatched again.
  bool TranslateDialogMessage(MSG& message);

  // No exception may cross the system's window procedure: one thrown by an action is kept and
  // rethrown here, which the message loop calls after every message.
  void RethrowPendingError();

  // MainWindowSurface.
  std::u16string AddressText() const override;
  void WithValueText(const std::function<void(std::u16string_view)>& use) const override;
  void SetValueText(std::u16string text) override;
  void SetReadEnabled(bool enabled) override;
  void SetWriteEnabled(bool enabled) override;
  void FocusRead() override;
  actions::MessageAnswer ShowMessage(std::u16string_view prompt,
                                     actions::MessageStyle style) override;
  bool WriteWarned() const override { return write_warned_; }
  void SetWriteWarned(bool warned) override { write_warned_ = warned; }

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam);

  void CreateControls();
  void SetIcons();
  void Centre();

  void OnCommand(int id, int code);
  void OnButtonClicked(ControlId id);
  // WM_CTLCOLOREDIT, WM_CTLCOLORSTATIC and WM_CTLCOLORBTN: the colours of one of our controls;
  // any other control is left to the system with the message as it came.
  LRESULT OnCtlColor(UINT message, WPARAM wparam, LPARAM lparam);
  void OnDrawItem(const DRAWITEMSTRUCT& item);
  void OnActivate(bool active);
  LRESULT OnEraseBackground(HDC dc);

  const ControlLayout* LayoutOf(HWND control) const noexcept;
  ControlId DefaultButton() const noexcept;
  void RedrawButtons() const;
  void SetButtonEnabled(ControlId id, bool enabled);

  HINSTANCE instance_;
  ioserver::AutomationRuntime& runtime_;
  MessageBoxFunction message_box_;
  Dpi dpi_;
  bool write_warned_ = false;

  UniqueBrush window_brush_;
  UniqueBrush text_box_brush_;
  UniqueBrush button_brush_;
  UniqueFont text_box_font_;
  UniqueIcon big_icon_;
  UniqueIcon small_icon_;

  std::array<HWND, kControls.size()> controls_{};  // Children: destroyed with the window.
  HWND focus_on_deactivate_ = nullptr;
  HWND focus_before_lock_ = nullptr;  // A button that lost the focus by being disabled.
  std::exception_ptr pending_error_;

  // Last, so that it is destroyed first, while the brushes, fonts and icons it uses still exist.
  UniqueWindow window_;
};

}  // namespace rozovevi::app::win32
