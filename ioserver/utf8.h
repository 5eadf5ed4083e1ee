// Strict conversions between UTF-8 bytes and UTF-16 text.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace rozovevi::ioserver {

// Decodes UTF-8. Returns nothing for bytes that are not valid UTF-8 (overlong forms, surrogate
// code points, values past U+10FFFF, truncated sequences), so text is never shown mangled.
std::optional<std::u16string> DecodeUtf8(std::string_view bytes);

// Encodes UTF-16 as UTF-8. Returns nothing for an unpaired surrogate, so text is never stored
// altered.
std::optional<std::string> EncodeUtf8(std::u16string_view text);

// Encodes UTF-16 as UTF-8 for diagnostics, replacing an unpaired surrogate with U+FFFD.
std::string EncodeUtf8Lossy(std::u16string_view text);

// Widens ASCII (or UTF-8) text known to be valid, such as a message built by the program.
std::u16string WidenUtf8(std::string_view bytes);

}  // namespace rozovevi::ioserver
