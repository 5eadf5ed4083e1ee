// What rozovevi-io needs of its standard streams and terminal; one implementation per platform,
// and a fake in the tests.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace rozovevi::app::console {

// A standard stream that could not be read or written: the system's error number and its text.
class StreamError : public std::runtime_error {
 public:
  StreamError(std::int64_t number, const std::string& description)
      : std::runtime_error(description), number_(number) {}
  std::int64_t number() const noexcept { return number_; }

 private:
  std::int64_t number_;
};

// All of standard input, as ReadAllInput found it.
struct InputText {
  enum class Status {
    kRead,      // text holds all of standard input.
    kNotUtf8,   // Standard input is not valid UTF-8.
    kTooLarge,  // Standard input went on past the limit; reading stopped there.
  };
  Status status = Status::kRead;
  std::u16string text;  // Empty unless read.
};

class ConsoleStreams {
 public:
  ConsoleStreams() = default;
  ConsoleStreams(const ConsoleStreams&) = delete;
  ConsoleStreams& operator=(const ConsoleStreams&) = delete;
  virtual ~ConsoleStreams() = default;

  // The line end written after a value or a message: "\n" on Linux, "\r\n" on Windows.
  virtual std::u16string_view LineEnd() const = 0;

  // Writes all of text to standard output: UTF-16 to a console, UTF-8 to a pipe or file. Raises
  // StreamError when not every byte got there, or when text cannot be encoded as UTF-8.
  virtual void WriteOutput(std::u16string_view text) = 0;
  // Writes text to standard error. Nothing is left to report a failure to, so none is raised.
  virtual void WriteError(std::u16string_view text) = 0;

  // Whether an operator can be asked: standard input and standard error are both a terminal.
  virtual bool CanAsk() const = 0;
  // One line typed on standard input, without its line end; nothing at the end of input.
  virtual std::optional<std::u16string> ReadAnswer() = 0;
  // All of standard input, decoded as UTF-8 exactly (a console's text as it is). Reading stops
  // as soon as more than max_bytes bytes of UTF-8 have come, so that input that never ends (a
  // pipe fed by `yes`) cannot take the program's memory. Raises StreamError when standard input
  // cannot be read.
  virtual InputText ReadAllInput(std::size_t max_bytes) = 0;
};

}  // namespace rozovevi::app::console
