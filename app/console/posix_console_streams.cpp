// Whole writes and reads on the standard file descriptors, retried after a signal.
#include "app/console/posix_console_streams.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "ioserver/utf8.h"

namespace rozovevi::app::console {
namespace {

constexpr std::size_t kReadChunk = 64 * 1024;

StreamError LastError() { return StreamError(errno, std::strerror(errno)); }

// Writes every byte or returns false with errno set.
bool WriteAll(int descriptor, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = write(descriptor, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

// Reads once, retrying after a signal; returns the count or -1 with errno set.
ssize_t ReadSome(int descriptor, char* buffer, std::size_t size) {
  for (;;) {
    const ssize_t got = read(descriptor, buffer, size);
    if (got >= 0 || errno != EINTR) return got;
  }
}

}  // namespace

void PosixConsoleStreams::WriteOutput(std::u16string_view text) {
  const std::optional<std::string> bytes = ioserver::EncodeUtf8(text);
  if (!bytes) throw StreamError(EILSEQ, "the value holds a lone surrogate, not UTF-8 text");
  if (!WriteAll(STDOUT_FILENO, *bytes)) throw LastError();
}

void PosixConsoleStreams::WriteError(std::u16string_view text) {
  // Nothing is left to report a failed write of a message to.
  static_cast<void>(WriteAll(STDERR_FILENO, ioserver::EncodeUtf8Lossy(text)));
}

bool PosixConsoleStreams::CanAsk() const {
  return isatty(STDIN_FILENO) == 1 && isatty(STDERR_FILENO) == 1;
}

std::optional<std::u16string> PosixConsoleStreams::ReadAnswer() {
  // Byte by byte, so that nothing typed after the line is taken from the terminal.
  std::string line;
  char byte = 0;
  for (;;) {
    const ssize_t got = ReadSome(STDIN_FILENO, &byte, 1);
    if (got <= 0) {
      if (line.empty()) return std::nullopt;
      break;
    }
    if (byte == '\n') break;
    line += byte;
  }
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return ioserver::DecodeUtf8(line).value_or(u"");
}

InputText PosixConsoleStreams::ReadAllInput(std::size_t max_bytes) {
  std::string bytes;
  for (;;) {
    const std::size_t used = bytes.size();
    bytes.resize(used + kReadChunk);
    const ssize_t got = ReadSome(STDIN_FILENO, bytes.data() + used, kReadChunk);
    if (got < 0) throw LastError();
    bytes.resize(used + static_cast<std::size_t>(got));
    if (got == 0) break;
    if (bytes.size() > max_bytes) return {InputText::Status::kTooLarge, {}};
  }
  std::optional<std::u16string> text = ioserver::DecodeUtf8(bytes);
  if (!text) return {InputText::Status::kNotUtf8, {}};
  return {InputText::Status::kRead, *std::move(text)};
}

}  // namespace rozovevi::app::console
