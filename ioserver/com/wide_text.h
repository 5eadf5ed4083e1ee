// The one place where the program's UTF-16 text meets the Windows API's wchar_t text.
#pragma once

#include <string>
#include <string_view>

namespace rozovevi::ioserver::com {

// Windows' wchar_t is a UTF-16 code unit, so the conversion copies units one for one.
static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows text is UTF-16");

inline std::wstring ToWide(std::u16string_view text) {
  return std::wstring(text.begin(), text.end());
}

inline std::u16string FromWide(std::wstring_view text) {
  return std::u16string(text.begin(), text.end());
}

}  // namespace rozovevi::ioserver::com
