// A main window that draws nothing: the state the actions change, held in plain members.
#pragma once

#include <functional>
#include <string>
#include <utility>

#include "actions/main_window_surface.h"

namespace rozovevi::bench {

// Every message box is answered at once: Yes for the write warning, OK for the rest. The
// benchmark checks `messages_shown` to make sure every measured exchange succeeded quietly.
struct HeadlessWindow final : actions::MainWindowSurface {
  std::u16string address;
  std::u16string value;
  bool read_enabled = true;
  bool write_enabled = true;
  bool write_warned = false;
  bool read_focused = false;
  int messages_shown = 0;

  std::u16string AddressText() const override { return address; }
  void WithValueText(const std::function<void(std::u16string_view)>& use) const override {
    use(value);
  }
  void SetValueText(std::u16string text) override { value = std::move(text); }
  void SetReadEnabled(bool enabled) override { read_enabled = enabled; }
  void SetWriteEnabled(bool enabled) override { write_enabled = enabled; }
  void FocusRead() override { read_focused = true; }
  actions::MessageAnswer ShowMessage(std::u16string_view, actions::MessageStyle style) override {
    ++messages_shown;
    return style == actions::MessageStyle::kCriticalYesNo ? actions::MessageAnswer::kYes
                                                          : actions::MessageAnswer::kOk;
  }
  bool WriteWarned() const override { return write_warned; }
  void SetWriteWarned(bool warned) override { write_warned = warned; }
};

}  // namespace rozovevi::bench
