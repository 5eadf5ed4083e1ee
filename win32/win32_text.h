// The one place where the program's UTF-16 text meets the Windows API's wchar_t text.
#pragma once

#include <string>
#include <string_view>

namespace rozovevi::win32 {

// On Windows wchar_t is a UTF-16 code unit, the same as char16_t, so text crosses by viewing the
// same units as the other type; nothing is converted.
static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows text is UTF-16");

// The units of text as the Windows API takes them. Not NUL-terminated unless text is.
inline std::wstring_view AsWide(std::u16string_view text) noexcept {
  return {reinterpret_cast<const wchar_t*>(text.data()), text.size()};
}

// The NUL-terminated units of a string, for an API that takes LPCWSTR.
inline const wchar_t* AsWideCString(const std::u16string& text) noexcept {
  return reinterpret_cast<const wchar_t*>(text.c_str());
}

// Room for the Windows API to write into a string's units.
inline wchar_t* AsWideBuffer(std::u16string& text) noexcept {
  return reinterpret_cast<wchar_t*>(text.data());
}

// Units the Windows API gave, as the program's text.
inline std::u16string_view AsText(std::wstring_view text) noexcept {
  return {reinterpret_cast<const char16_t*>(text.data()), text.size()};
}

// A NUL-terminated copy, for an API that needs one when only a view is at hand.
inline std::wstring ToWide(std::u16string_view text) { return std::wstring(AsWide(text)); }

// A copy of units the Windows API gave, once their buffer goes away.
inline std::u16string FromWide(std::wstring_view text) { return std::u16string(AsText(text)); }

}  // namespace rozovevi::win32
