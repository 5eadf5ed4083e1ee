// WriteConsoleW and ReadConsoleW for a console, WriteFile and ReadFile with UTF-8 otherwise.
#include "app/console/win32_console_streams.h"

#include <algorithm>
#include <string>

#include "ioserver/utf8.h"
#include "win32/system_error.h"
#include "win32/win32_text.h"

namespace rozovevi::app::console {
namespace {

// A console takes large writes badly; pieces of this many UTF-16 units are always accepted.
constexpr DWORD kConsolePiece = 8192;
constexpr DWORD kReadChunk = 64 * 1024;
// Ctrl+Z typed at a console ends the input, as it does for the system's own tools.
constexpr wchar_t kConsoleEndOfInput = L'\x1a';

bool IsConsole(HANDLE handle) {
  DWORD mode = 0;
  return handle != nullptr && handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode) != 0;
}

StreamError LastError() {
  const DWORD number = GetLastError();
  std::u16string text = win32::SystemMessage(number);
  if (text.empty()) text = u"system error";
  return StreamError(number, ioserver::EncodeUtf8Lossy(text));
}

bool WriteConsoleAll(HANDLE handle, std::u16string_view text) {
  std::wstring_view rest = win32::AsWide(text);
  while (!rest.empty()) {
    DWORD written = 0;
    const DWORD piece = static_cast<DWORD>(std::min<std::size_t>(rest.size(), kConsolePiece));
    if (!WriteConsoleW(handle, rest.data(), piece, &written, nullptr) || written == 0) return false;
    rest.remove_prefix(written);
  }
  return true;
}

bool WriteFileAll(HANDLE handle, std::string_view bytes) {
  while (!bytes.empty()) {
    DWORD written = 0;
    const DWORD piece = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), MAXDWORD));
    if (!WriteFile(handle, bytes.data(), piece, &written, nullptr) || written == 0) return false;
    bytes.remove_prefix(written);
  }
  return true;
}

// Reads console input until end of input; a line holding Ctrl+Z ends it there. Stops once the
// text would take more than max_bytes in UTF-8.
InputText ReadConsoleUntilEnd(HANDLE handle, std::size_t max_bytes) {
  std::wstring text;
  std::size_t bytes = 0;
  wchar_t buffer[kConsolePiece];
  for (;;) {
    DWORD got = 0;
    if (!ReadConsoleW(handle, buffer, kConsolePiece, &got, nullptr)) throw LastError();
    if (got == 0) break;
    std::wstring_view piece(buffer, got);
    const std::size_t end = piece.find(kConsoleEndOfInput);
    piece = piece.substr(0, end);
    bytes += ioserver::Utf8Length(win32::AsText(piece));
    if (bytes > max_bytes) return {InputText::Status::kTooLarge, {}};
    text += piece;
    if (end != std::wstring_view::npos) break;
  }
  return {InputText::Status::kRead, win32::FromWide(text)};
}

}  // namespace

Win32ConsoleStreams::Win32ConsoleStreams()
    : input_(GetStdHandle(STD_INPUT_HANDLE)),
      output_(GetStdHandle(STD_OUTPUT_HANDLE)),
      error_(GetStdHandle(STD_ERROR_HANDLE)) {}

void Win32ConsoleStreams::WriteOutput(std::u16string_view text) {
  if (IsConsole(output_)) {
    if (!WriteConsoleAll(output_, text)) throw LastError();
    return;
  }
  const std::optional<std::string> bytes = ioserver::EncodeUtf8(text);
  if (!bytes) {
    throw StreamError(ERROR_NO_UNICODE_TRANSLATION,
                      "the value holds a lone surrogate, not UTF-8 text");
  }
  if (!WriteFileAll(output_, *bytes)) throw LastError();
}

void Win32ConsoleStreams::WriteError(std::u16string_view text) {
  // Nothing is left to report a failed write of a message to.
  if (IsConsole(error_)) {
    static_cast<void>(WriteConsoleAll(error_, text));
  } else {
    static_cast<void>(WriteFileAll(error_, ioserver::EncodeUtf8Lossy(text)));
  }
}

bool Win32ConsoleStreams::CanAsk() const { return IsConsole(input_) && IsConsole(error_); }

std::optional<std::u16string> Win32ConsoleStreams::ReadAnswer() {
  // A console in line mode hands over one typed line at a time, ending in CR LF.
  std::wstring line;
  wchar_t unit = 0;
  for (;;) {
    DWORD got = 0;
    if (!ReadConsoleW(input_, &unit, 1, &got, nullptr) || got == 0 || unit == kConsoleEndOfInput) {
      if (line.empty()) return std::nullopt;
      break;
    }
    if (unit == L'\n') break;
    line += unit;
  }
  if (!line.empty() && line.back() == L'\r') line.pop_back();
  return win32::FromWide(line);
}

InputText Win32ConsoleStreams::ReadAllInput(std::size_t max_bytes) {
  if (IsConsole(input_)) return ReadConsoleUntilEnd(input_, max_bytes);
  std::string bytes;
  for (;;) {
    const std::size_t used = bytes.size();
    bytes.resize(used + kReadChunk);
    DWORD got = 0;
    if (!ReadFile(input_, bytes.data() + used, kReadChunk, &got, nullptr)) {
      // The writing end of a pipe closed: that is the end of the input.
      if (GetLastError() != ERROR_BROKEN_PIPE) throw LastError();
      got = 0;
    }
    bytes.resize(used + got);
    if (got == 0) break;
    if (bytes.size() > max_bytes) return {InputText::Status::kTooLarge, {}};
  }
  std::optional<std::u16string> text = ioserver::DecodeUtf8(bytes);
  if (!text) return {InputText::Status::kNotUtf8, {}};
  return {InputText::Status::kRead, *std::move(text)};
}

}  // namespace rozovevi::app::console
