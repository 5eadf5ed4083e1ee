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

// The bytes text takes in UTF-8, each surrogate half counted as two, so that a pair counts its
// four even when the text comes in pieces that split it.
std::size_t Utf8Length(std::u16string_view text);

// The length of the longest start of bytes that is at most limit bytes long and does not end
// inside a UTF-8 sequence, for cutting text short without breaking a character.
std::size_t Utf8PrefixLength(std::string_view bytes, std::size_t limit);

// Widens ASCII (or UTF-8) text known to be valid, such as a message built by the program.
std::u16string WidenUtf8(std::string_view bytes);

}  // namespace rozovevi::ioserver
