// A main window that draws nothing: the state the actions change, held in plain members.
#pragma once

#include <functional>
#include <string>
#include <utility>

#include "actions/main_window_surface.h"
#include "tests/support/scripted_message_boxes.h"

namespace rozovevi::bench {

// Unlike the tests' recording window it logs nothing, so that only the exchange is measured.
// Message boxes are answered at once by the tests' scripted boxes; the benchmark checks that
// none was shown, to make sure every measured exchange succeeded quietly.
struct HeadlessWindow final : actions::MainWindowSurface {
  std::u16string address;
  std::u16string value;
  bool read_enabled = true;
  bool write_enabled = true;
  bool write_warned = false;
  bool read_focused = false;
  testing::ScriptedMessageBoxes boxes;

  std::u16string AddressText() const override { return address; }
  void WithValueText(const std::function<void(std::u16string_view)>& use) const override {
    use(value);
  }
  void SetValueText(std::u16string text) override { value = std::move(text); }
  void SetReadEnabled(bool enabled) override { read_enabled = enabled; }
  void SetWriteEnabled(bool enabled) override { write_enabled = enabled; }
  void FocusRead() override { read_focused = true; }
  actions::MessageAnswer ShowMessage(std::u16string_view prompt,
                                     actions::MessageStyle style) override {
    return boxes.Answer({std::u16string(prompt), style, read_enabled, write_enabled, value});
  }
  bool WriteWarned() const override { return write_warned; }
  void SetWriteWarned(bool warned) override { write_warned = warned; }
};

}  // namespace rozovevi::bench
