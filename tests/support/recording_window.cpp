// Records window calls into the shared event log.
#include "tests/support/recording_window.h"

#include <utility>

#include "ioserver/utf8.h"

namespace rozovevi::testing {
namespace {
const char* BoolText(bool value) { return value ? "True" : "False"; }
}  // namespace

std::u16string RecordingWindow::AddressText() const { return address; }

void RecordingWindow::WithValueText(const std::function<void(std::u16string_view)>& use) const {
  use(value);
}

void RecordingWindow::SetValueText(std::u16string text) {
  log_.push_back("txtValue.Text=" + ioserver::EncodeUtf8Lossy(text));
  value = std::move(text);
}

void RecordingWindow::SetReadEnabled(bool enabled) {
  read_enabled = enabled;
  log_.push_back(std::string("cmdRead.Enabled=") + BoolText(enabled));
}

void RecordingWindow::SetWriteEnabled(bool enabled) {
  write_enabled = enabled;
  log_.push_back(std::string("cmdWrite.Enabled=") + BoolText(enabled));
}

void RecordingWindow::FocusRead() {
  ++focus_read_calls;
  log_.push_back("cmdRead.SetFocus");
}

actions::MessageAnswer RecordingWindow::ShowMessage(std::u16string_view prompt,
                                                    actions::MessageStyle style) {
  log_.push_back("MsgBox(" + std::to_string(static_cast<int>(style)) + ")");
  return boxes.Answer({std::u16string(prompt), style, read_enabled, write_enabled, value});
}

void RecordingWindow::ShowCallFailure(std::u16string_view prompt, const ioserver::Status& failure) {
  call_failures.push_back(failure);
  MainWindowSurface::ShowCallFailure(prompt, failure);
}

void RecordingWindow::SetWriteWarned(bool warned) {
  write_warned = warned;
  log_.push_back(std::string("blnWriteWarned=") + BoolText(warned));
}

}  // namespace rozovevi::testing
