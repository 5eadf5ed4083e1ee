// Win32 errors: the system's text for an error code, and GetLastError as an exception.
#pragma once

#include <windows.h>

#include <string>

namespace rozovevi::win32 {

// The system's message for an error code or HRESULT, without its trailing line break, or empty
// when the system has none.
std::u16string SystemMessage(DWORD code);

// Throws std::system_error with GetLastError() and what, the call that failed.
[[noreturn]] void ThrowLastError(const char* what);

}  // namespace rozovevi::win32
