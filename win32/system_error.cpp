// FormatMessageW and GetLastError, each called here only.
#include "win32/system_error.h"

#include <array>
#include <string_view>
#include <system_error>

#include "win32/win32_text.h"

namespace rozovevi::win32 {

std::u16string SystemMessage(DWORD code) {
  std::array<wchar_t, 512> buffer{};
  const DWORD length =
      FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
                     buffer.data(), static_cast<DWORD>(buffer.size()), nullptr);
  std::wstring_view text(buffer.data(), length);
  // The system ends its messages with CR LF, sometimes after a space.
  const std::size_t end = text.find_last_not_of(L"\r\n \t");
  text = end == std::wstring_view::npos ? std::wstring_view() : text.substr(0, end + 1);
  return FromWide(text);
}

void ThrowLastError(const char* what) {
  throw std::system_error(static_cast<int>(GetLastError()), std::system_category(), what);
}

}  // namespace rozovevi::win32
