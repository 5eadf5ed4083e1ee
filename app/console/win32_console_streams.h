// The standard streams on Windows: UTF-16 to and from a console, UTF-8 to and from a pipe or file.
#pragma once

#include <windows.h>

#include "app/console/console_streams.h"

namespace rozovevi::app::console {

class Win32ConsoleStreams final : public ConsoleStreams {
 public:
  Win32ConsoleStreams();

  std::u16string_view LineEnd() const override { return u"\r\n"; }
  void WriteOutput(std::u16string_view text) override;
  void WriteError(std::u16string_view text) override;
  bool CanAsk() const override;
  std::optional<std::u16string> ReadAnswer() override;
  InputText ReadAllInput(std::size_t max_bytes) override;

 private:
  // The standard handles belong to the process; they are not closed here.
  HANDLE input_;
  HANDLE output_;
  HANDLE error_;
};

}  // namespace rozovevi::app::console
