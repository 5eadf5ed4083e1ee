// The small pieces of ASCII text work that parsers of addresses, values and options share.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace rozovevi::ioserver {

char LowerAscii(char byte);
bool IsAsciiAlphanumeric(char byte);
// Space, tab, CR, LF, VT and FF.
bool IsAsciiSpace(char byte);

// text without the ASCII white space at either end.
std::string_view TrimAsciiSpace(std::string_view text);
// text without the ASCII white space at its start.
std::string_view TrimLeadingAsciiSpace(std::string_view text);

// Whether text equals or starts with the other text, ASCII letters compared without regard to
// case and nothing else folded, for UTF-8 bytes and for UTF-16 text alike.
bool EqualsIgnoringCase(std::string_view text, std::string_view other);
bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix);
char16_t LowerAscii(char16_t unit);
bool EqualsIgnoringCase(std::u16string_view text, std::u16string_view other);
bool StartsWithIgnoringCase(std::u16string_view text, std::u16string_view prefix);

// Whether text begins or ends with the given text exactly.
bool StartsWith(std::string_view bytes, std::string_view prefix);
bool StartsWith(std::u16string_view text, std::u16string_view prefix);
bool EndsWith(std::string_view bytes, std::string_view suffix);

// text in single quotes for a one-line reason: control bytes as \xNN, and cut short with "..."
// past kLongestQuote bytes, so that a huge or multi-line value never floods a report.
inline constexpr std::size_t kLongestQuote = 40;
std::string QuotedForReason(std::string_view text);
// text whole in double quotes, control bytes as \xNN, for a report that names an address exactly
// and on one line.
std::string QuotedWhole(std::string_view text);

// Each byte as two upper-case hex digits, separated by single spaces: "41 FF FE".
std::string HexBytes(std::string_view bytes);

// One or more decimal digits and nothing else, at most largest.
std::optional<std::uint32_t> ParseDecimal(std::string_view text, std::uint32_t largest);

// Decimal digits, or "0x" (any case) and one or more hex digits; at most largest.
std::optional<std::uint32_t> ParseNumber(std::string_view text, std::uint32_t largest);

// Seconds written as decimal digits with an optional fraction ("2", "0.25"), between shortest
// and longest. Digits past the microsecond still count against the bounds.
std::optional<std::chrono::microseconds> ParseSeconds(std::string_view text,
                                                      std::chrono::microseconds shortest,
                                                      std::chrono::microseconds longest);

}  // namespace rozovevi::ioserver
