// frmROZoveVI: creation from the shared layout, colours, owner-drawn buttons and keyboard
// handling.
#include "app/win32/main_window.h"

#include "actions/read_action.h"
#include "actions/write_action.h"
#include "app/centring.h"
#include "app/win32/push_button_painter.h"
#include "app/win32/resource_ids.h"
#include "win32/system_error.h"
#include "win32/win32_text.h"

namespace rozovevi::app::win32 {
namespace {

using rozovevi::win32::AsWideBuffer;
using rozovevi::win32::ThrowLastError;
using rozovevi::win32::ToWide;

// Fixed border, caption, system menu and minimise: the layout does not follow a change of size.
constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr DWORD kWindowExStyle = 0;
constexpr int kFirstControlIdNumber = 100;

void RegisterWindowClass(HINSTANCE instance, WNDPROC procedure) {
  const std::wstring class_name = ToWide(kWindowName);
  WNDCLASSEXW existing{};
  existing.cbSize = sizeof existing;
  if (GetClassInfoExW(instance, class_name.c_str(), &existing)) return;

  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof window_class;
  window_class.lpfnWndProc = procedure;
  window_class.hInstance = instance;
  window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  window_class.lpszClassName = class_name.c_str();
  if (!RegisterClassExW(&window_class)) ThrowLastError("RegisterClassExW");
}

struct ControlClass {
  const wchar_t* class_name;
  DWORD style;
  DWORD ex_style;
};

ControlClass ClassFor(ControlKind kind) {
  // Every control starts a group of its own: arrow keys stay inside the control that has them.
  constexpr DWORD kChild = WS_CHILD | WS_VISIBLE | WS_GROUP;
  switch (kind) {
    case ControlKind::kGroupFrame:
      return {L"BUTTON", kChild | BS_GROUPBOX, 0};
    case ControlKind::kTextBox:
      return {L"EDIT", kChild | WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE};
    case ControlKind::kPushButton:
      // BS_NOTIFY reports focus changes, which move the default-button mark.
      return {L"BUTTON", kChild | WS_TABSTOP | BS_OWNERDRAW | BS_NOTIFY, 0};
  }
  return {L"STATIC", kChild, 0};
}

std::u16string WindowText(HWND window) {
  std::u16string text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, u'\0');
  const int length = GetWindowTextW(window, AsWideBuffer(text), static_cast<int>(text.size()));
  text.resize(static_cast<std::size_t>(length));
  return text;
}

UniqueBrush SolidBrush(Rgb colour) {
  UniqueBrush brush(CreateSolidBrush(ToColorRef(colour)));
  if (!brush.valid()) ThrowLastError("CreateSolidBrush");
  return brush;
}

UniqueFont TextBoxFont(Dpi dpi) {
  const FontDescription& font = kTextBoxFont;
  UniqueFont handle(CreateFontW(FontHeight(font.points, dpi.y), 0, 0, 0, font.weight, font.italic,
                                font.underline, font.strike_out, static_cast<DWORD>(font.charset),
                                OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                DEFAULT_PITCH | FF_DONTCARE, ToWide(font.face).c_str()));
  if (!handle.valid()) ThrowLastError("CreateFontW");
  return handle;
}

UniqueIcon ProgramIcon(HINSTANCE instance, int width_metric, int height_metric) {
  UniqueIcon icon(static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(ROZOVEVI_ICON_ID),
                                                IMAGE_ICON, GetSystemMetrics(width_metric),
                                                GetSystemMetrics(height_metric), 0)));
  if (!icon.valid()) ThrowLastError("LoadImageW");
  return icon;
}

}  // namespace

MainWindow::MainWindow(HINSTANCE instance, ioserver::AutomationRuntime& runtime,
                       MessageBoxFunction message_box)
    : instance_(instance),
      runtime_(runtime),
      message_box_(std::move(message_box)),
      dpi_(ScreenDpi()),
      window_brush_(SolidBrush(kWindowBackground)),
      text_box_brush_(SolidBrush(kTextBoxBackground)),
      button_brush_(SolidBrush(kButtonFace)),
      text_box_font_(TextBoxFont(dpi_)),
      big_icon_(ProgramIcon(instance, SM_CXICON, SM_CYICON)),
      small_icon_(ProgramIcon(instance, SM_CXSMICON, SM_CYSMICON)) {
  RegisterWindowClass(instance_, &MainWindow::WindowProc);

  const SIZE client = ClientSizePixels(dpi_);
  RECT outer{0, 0, client.cx, client.cy};
  if (!AdjustWindowRectEx(&outer, kWindowStyle, FALSE, kWindowExStyle)) {
    ThrowLastError("AdjustWindowRectEx");
  }
  // WM_NCCREATE hands the new window to window_.
  CreateWindowExW(kWindowExStyle, ToWide(kWindowName).c_str(), ToWide(kWindowCaption).c_str(),
                  kWindowStyle, CW_USEDEFAULT, CW_USEDEFAULT, outer.right - outer.left,
                  outer.bottom - outer.top, nullptr, nullptr, instance_, this);
  if (!window_.valid()) ThrowLastError("CreateWindowExW");

  CreateControls();
  SetIcons();
  Centre();
  focus_on_deactivate_ = control(kInitialFocus);
}

MainWindow::~MainWindow() = default;

int MainWindow::ControlIdNumber(ControlId id) noexcept {
  return kFirstControlIdNumber + static_cast<int>(id);
}

void MainWindow::CreateControls() {
  HFONT caption_font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  for (const ControlLayout& layout : kControls) {
    const ControlClass kind = ClassFor(layout.kind);
    const RECT area = ControlRectPixels(layout, dpi_);
    // Created in tab order: the system's tab order is the order of creation.
    HWND child = CreateWindowExW(
        kind.ex_style, kind.class_name, ToWide(layout.caption).c_str(), kind.style, area.left,
        area.top, area.right - area.left, area.bottom - area.top, window_.get(),
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(ControlIdNumber(layout.id))), instance_,
        nullptr);
    if (child == nullptr) ThrowLastError("CreateWindowExW");
    controls_[static_cast<std::size_t>(layout.id)] = child;

    if (layout.kind == ControlKind::kTextBox) {
      SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(text_box_font_.get()), FALSE);
      SendMessageW(child, EM_SETLIMITTEXT, 0, 0);  // Zero lifts the limit to the system's most.
    } else {
      SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(caption_font), FALSE);
    }
  }
}

void MainWindow::SetIcons() {
  SendMessageW(window_.get(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big_icon_.get()));
  SendMessageW(window_.get(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small_icon_.get()));
}

void MainWindow::Centre() {
  RECT outer{};
  GetWindowRect(window_.get(), &outer);
  const WindowOrigin origin = CentredOrigin(PixelsToTwips(GetSystemMetrics(SM_CXSCREEN), dpi_.x),
                                            PixelsToTwips(GetSystemMetrics(SM_CYSCREEN), dpi_.y),
                                            PixelsToTwips(outer.right - outer.left, dpi_.x),
                                            PixelsToTwips(outer.bottom - outer.top, dpi_.y));
  SetWindowPos(window_.get(), nullptr, TwipsToPixels(origin.left, dpi_.x),
               TwipsToPixels(origin.top, dpi_.y), 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void MainWindow::Show(int show_command) {
  ShowWindow(window_.get(), show_command);
  UpdateWindow(window_.get());
  SetFocus(control(kInitialFocus));
}

bool MainWindow::TranslateDialogMessage(MSG& message) {
  return window_.valid() && IsDialogMessageW(window_.get(), &message);
}

void MainWindow::RethrowPendingError() {
  if (pending_error_) std::rethrow_exception(std::exchange(pending_error_, nullptr));
}

LRESULT CALLBACK MainWindow::WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  MainWindow* self = nullptr;
  if (message == WM_NCCREATE) {
    self = static_cast<MainWindow*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    self->window_.Reset(window);
  } else {
    self = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  }
  if (self == nullptr) return DefWindowProcW(window, message, wparam, lparam);
  if (message == WM_NCDESTROY) {
    // The system has destroyed the window: nothing is left for window_ to free.
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    self->window_.Release();
    return DefWindowProcW(window, message, wparam, lparam);
  }
  return self->HandleMessage(message, wparam, lparam);
}

LRESULT MainWindow::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_COMMAND:
      OnCommand(LOWORD(wparam), HIWORD(wparam));
      return 0;
    case WM_DRAWITEM:
      OnDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lparam));
      return TRUE;
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
      return OnCtlColor(message, wparam, lparam);
    case WM_ERASEBKGND:
      return OnEraseBackground(reinterpret_cast<HDC>(wparam));
    case DM_GETDEFID:
      // Asked by IsDialogMessage when Enter is pressed.
      return MAKELRESULT(ControlIdNumber(DefaultButton()), DC_HASDEFID);
    case WM_ACTIVATE:
      OnActivate(LOWORD(wparam) != WA_INACTIVE);
      return 0;
    case WM_DESTROY:
      // Closing the window ends the program.
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(window_.get(), message, wparam, lparam);
  }
}

void MainWindow::OnCommand(int id, int code) {
  for (ControlId button : {ControlId::kCmdRead, ControlId::kCmdWrite}) {
    if (id != ControlIdNumber(button)) continue;
    if (code == BN_CLICKED) OnButtonClicked(button);
    if (code == BN_SETFOCUS || code == BN_KILLFOCUS) RedrawButtons();
    return;
  }
  if (code == EN_SETFOCUS || code == EN_KILLFOCUS) RedrawButtons();
}

void MainWindow::OnButtonClicked(ControlId id) {
  try {
    if (id == ControlId::kCmdRead) {
      actions::RunReadAction(*this, runtime_);
    } else {
      actions::RunWriteAction(*this, runtime_);
    }
  } catch (...) {
    // Carried past the system's window procedure to the message loop, which rethrows it.
    pending_error_ = std::current_exception();
  }
}

LRESULT MainWindow::OnCtlColor(UINT message, WPARAM wparam, LPARAM lparam) {
  const auto dc = reinterpret_cast<HDC>(wparam);
  const ControlLayout* layout = LayoutOf(reinterpret_cast<HWND>(lparam));
  if (layout == nullptr) return DefWindowProcW(window_.get(), message, wparam, lparam);
  switch (layout->kind) {
    case ControlKind::kTextBox:
      SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
      SetBkColor(dc, ToColorRef(kTextBoxBackground));
      return reinterpret_cast<LRESULT>(text_box_brush_.get());
    case ControlKind::kGroupFrame:
      SetTextColor(dc, ToColorRef(kFrameCaptionColour));
      SetBkColor(dc, ToColorRef(kFrameBackground));
      return reinterpret_cast<LRESULT>(window_brush_.get());
    case ControlKind::kPushButton:
      SetBkColor(dc, ToColorRef(kButtonFace));
      return reinterpret_cast<LRESULT>(button_brush_.get());
  }
  return 0;
}

void MainWindow::OnDrawItem(const DRAWITEMSTRUCT& item) {
  const ControlLayout* layout = LayoutOf(item.hwndItem);
  if (layout == nullptr || layout->kind != ControlKind::kPushButton) return;
  PaintPushButton(item, button_brush_.get(), static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)),
                  layout->id == DefaultButton());
}

void MainWindow::OnActivate(bool active) {
  // A plain window forgets which child had the focus when another window is activated; a
  // dialog remembers it. Do as a dialog does, so the focus comes back after a message box.
  if (!active) {
    HWND focus = GetFocus();
    if (focus != nullptr && IsChild(window_.get(), focus)) focus_on_deactivate_ = focus;
  } else if (focus_on_deactivate_ != nullptr && IsWindowEnabled(focus_on_deactivate_)) {
    SetFocus(focus_on_deactivate_);
  }
}

LRESULT MainWindow::OnEraseBackground(HDC dc) {
  RECT client{};
  GetClientRect(window_.get(), &client);
  FillRect(dc, &client, window_brush_.get());
  return TRUE;
}

const ControlLayout* MainWindow::LayoutOf(HWND control) const noexcept {
  for (const ControlLayout& layout : kControls) {
    if (controls_[static_cast<std::size_t>(layout.id)] == control) return &layout;
  }
  return nullptr;
}

ControlId MainWindow::DefaultButton() const noexcept {
  // As in a dialog, a push button that has the focus is the one Enter activates.
  const ControlLayout* focused = LayoutOf(GetFocus());
  if (focused != nullptr && focused->kind == ControlKind::kPushButton) return focused->id;
  return kDefaultButton;
}

void MainWindow::RedrawButtons() const {
  for (const ControlLayout& layout : kControls) {
    if (layout.kind == ControlKind::kPushButton) InvalidateRect(control(layout.id), nullptr, FALSE);
  }
}

void MainWindow::SetButtonEnabled(ControlId id, bool enabled) {
  HWND button = control(id);
  if (!enabled && GetFocus() == button) focus_before_lock_ = button;
  EnableWindow(button, enabled);
  // Disabling the button that has the focus leaves the window without one; give it back once
  // the button is enabled again, unless the focus has gone elsewhere meanwhile.
  if (enabled && focus_before_lock_ == button) {
    focus_before_lock_ = nullptr;
    HWND focus = GetFocus();
    if (focus == nullptr || focus == window_.get()) SetFocus(button);
  }
}

std::u16string MainWindow::AddressText() const {
  return WindowText(control(ControlId::kTxtAddress));
}

void MainWindow::WithValueText(const std::function<void(std::u16string_view)>& use) const {
  // An edit control hands out its text only as a copy; this one lives for the call.
  use(WindowText(control(ControlId::kTxtValue)));
}

void MainWindow::SetValueText(std::u16string text) {
  const std::wstring wide = ToWide(text);
  std::u16string().swap(text);  // The edit control keeps a copy of its own.
  SetWindowTextW(control(ControlId::kTxtValue), wide.c_str());
}

void MainWindow::SetReadEnabled(bool enabled) { SetButtonEnabled(ControlId::kCmdRead, enabled); }

void MainWindow::SetWriteEnabled(bool enabled) { SetButtonEnabled(ControlId::kCmdWrite, enabled); }

void MainWindow::FocusRead() { SetFocus(control(ControlId::kCmdRead)); }

actions::MessageAnswer MainWindow::ShowMessage(std::u16string_view prompt,
                                               actions::MessageStyle style) {
  return message_box_(window_.get(), prompt, style);
}

}  // namespace rozovevi::app::win32
