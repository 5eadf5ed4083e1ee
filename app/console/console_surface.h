// The exchange's window surface for rozovevi-io: the command line stands in for the two text
// boxes and standard error for the message boxes.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <utility>

#include "actions/main_window_surface.h"
#include "app/console/console_streams.h"

namespace rozovevi::app::console {

class ConsoleSurface final : public actions::MainWindowSurface {
 public:
  // confirmed: --yes was given, so the write warning is not shown. Without it the warning is
  // asked on the terminal, or refused when there is none.
  ConsoleSurface(ConsoleStreams& streams, std::u16string address, std::u16string value,
                 bool confirmed);

  std::u16string AddressText() const override { return address_; }
  void WithValueText(const std::function<void(std::u16string_view)>& use) const override {
    use(value_);
  }
  void SetValueText(std::u16string text) override { value_ = std::move(text); }

  // There are no buttons and no focus to move.
  void SetReadEnabled(bool) override {}
  void SetWriteEnabled(bool) override {}
  void FocusRead() override {}

  // An OK message goes to standard error on one line. The Yes/No warning is shown on the terminal
  // with a y/n question (no unless y); without a terminal it says that --yes is needed and
  // answers No.
  actions::MessageAnswer ShowMessage(std::u16string_view prompt,
                                     actions::MessageStyle style) override;
  // The prompt on one line, followed by the server's reason in parentheses when it gives one.
  void ShowCallFailure(std::u16string_view prompt, const ioserver::Status& failure) override;

  // Every run of the program is a run of its own, so the warning comes every time unless --yes.
  bool WriteWarned() const override { return confirmed_; }
  void SetWriteWarned(bool) override {}

  // The value the read put where txtValue would be.
  const std::u16string& value() const { return value_; }

 private:
  actions::MessageAnswer AskToWrite(std::u16string_view warning);

  ConsoleStreams& streams_;
  std::u16string address_;
  std::u16string value_;
  bool confirmed_;
};

}  // namespace rozovevi::app::console
