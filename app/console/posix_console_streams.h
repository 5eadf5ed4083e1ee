// The standard streams on Linux: UTF-8 on file descriptors 0, 1 and 2.
#pragma once

#include "app/console/console_streams.h"

namespace rozovevi::app::console {

class PosixConsoleStreams final : public ConsoleStreams {
 public:
  std::u16string_view LineEnd() const override { return u"\n"; }
  void WriteOutput(std::u16string_view text) override;
  void WriteError(std::u16string_view text) override;
  bool CanAsk() const override;
  std::optional<std::u16string> ReadAnswer() override;
  InputText ReadAllInput(std::size_t max_bytes) override;
};

}  // namespace rozovevi::app::console
