// A fake main window that logs what the actions change and answers message boxes from a script.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "actions/main_window_surface.h"
#include "tests/support/event_log.h"
#include "tests/support/scripted_message_boxes.h"

namespace rozovevi::testing {

// Logs each change ("cmdRead.Enabled=False", "txtValue.Text=42", "MsgBox(16)", ...) but not the
// reading of the text boxes, which the actions may do as often as they like.
class RecordingWindow : public actions::MainWindowSurface {
 public:
  explicit RecordingWindow(EventLog& log) : log_(log) {}

  std::u16string address = u"";
  std::u16string value = u"";
  bool read_enabled = true;
  bool write_enabled = true;
  bool write_warned = false;
  int focus_read_calls = 0;
  ScriptedMessageBoxes boxes;
  // What the exchange passed with each failed call it reported, in order.
  std::vector<ioserver::Status> call_failures;

  std::u16string AddressText() const override;
  void WithValueText(const std::function<void(std::u16string_view)>& use) const override;
  void SetValueText(std::u16string text) override;
  void SetReadEnabled(bool enabled) override;
  void SetWriteEnabled(bool enabled) override;
  void FocusRead() override;
  actions::MessageAnswer ShowMessage(std::u16string_view prompt,
                                     actions::MessageStyle style) override;
  // Keeps failure, then shows prompt as every window does.
  void ShowCallFailure(std::u16string_view prompt, const ioserver::Status& failure) override;
  bool WriteWarned() const override { return write_warned; }
  void SetWriteWarned(bool warned) override;

 private:
  EventLog& log_;
};

}  // namespace rozovevi::testing
