// Standard streams in memory for rozovevi-io's tests, with a terminal that answers from a script.
#pragma once

#include <deque>
#include <optional>
#include <string>

#include "app/console/console_streams.h"

namespace rozovevi::app::console::testing_support {

// Standard streams in memory, with a terminal that answers from a script.
class FakeStreams final : public ConsoleStreams {
 public:
  std::u16string output;
  std::u16string error;
  bool terminal = false;
  std::deque<std::optional<std::u16string>> answers;
  InputText input;
  std::size_t input_limit = 0;
  std::optional<StreamError> output_failure;
  int questions = 0;

  std::u16string_view LineEnd() const override { return u"\n"; }
  void WriteOutput(std::u16string_view text) override {
    if (output_failure) throw *output_failure;
    output += text;
  }
  void WriteError(std::u16string_view text) override { error += text; }
  bool CanAsk() const override { return terminal; }
  std::optional<std::u16string> ReadAnswer() override {
    ++questions;
    if (answers.empty()) return std::nullopt;
    std::optional<std::u16string> answer = answers.front();
    answers.pop_front();
    return answer;
  }
  InputText ReadAllInput(std::size_t max_bytes) override {
    input_limit = max_bytes;
    return input;
  }
};

}  // namespace rozovevi::app::console::testing_support
