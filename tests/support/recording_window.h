// A fake main window that records every call the actions make and answers message boxes from a
// script.
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "actions/main_window_surface.h"
#include "tests/support/event_log.h"

namespace rozovevi::testing {

// A message box as it was shown, with what the operator could see behind it.
struct ShownMessage {
  std::u16string prompt;
  actions::MessageStyle style;
  bool read_enabled;
  bool write_enabled;
  std::u16string value_text;
};

class RecordingWindow : public actions::MainWindowSurface {
 public:
  explicit RecordingWindow(EventLog& log) : log_(log) {}

  std::u16string address = u"";
  std::u16string value = u"";
  bool read_enabled = true;
  bool write_enabled = true;
  bool write_warned = false;
  int focus_read_calls = 0;
  std::vector<ShownMessage> messages;
  // Answers for the message boxes to come, in order; OK (or Yes/No boxes: No) once they run out.
  std::deque<actions::MessageAnswer> answers;

  std::u16string AddressText() const override;
  void WithValueText(const std::function<void(std::u16string_view)>& use) const override;
  void SetValueText(std::u16string text) override;
  void SetReadEnabled(bool enabled) override;
  void SetWriteEnabled(bool enabled) override;
  void FocusRead() override;
  actions::MessageAnswer ShowMessage(std::u16string_view prompt,
                                     actions::MessageStyle style) override;
  bool WriteWarned() const override { return write_warned; }
  void SetWriteWarned(bool warned) override;

 private:
  EventLog& log_;
};

}  // namespace rozovevi::testing
