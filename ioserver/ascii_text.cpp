// ASCII case folding, trimming and bounded number parsing, with no locale involved.
#include "ioserver/ascii_text.h"

#include <algorithm>

#include "ioserver/utf8.h"

namespace rozovevi::ioserver {
namespace {

constexpr std::string_view kHexPrefix = "0x";
constexpr int kDecimalBase = 10;
constexpr int kHexBase = 16;
constexpr int kFractionDigits = 6;  // Down to the microsecond.
// Whole seconds beyond this are out of any bound the callers use; stops the sum overflowing.
constexpr std::int64_t kLargestWholeSeconds = 1000000000;

int DigitValue(char byte, int base) {
  int value = kHexBase;
  if (byte >= '0' && byte <= '9') {
    value = byte - '0';
  } else if (base == kHexBase) {
    const char lower = LowerAscii(byte);
    if (lower >= 'a' && lower <= 'f') value = lower - 'a' + kDecimalBase;
  }
  return value < base ? value : -1;
}

std::optional<std::uint32_t> ParseDigits(std::string_view text, int base, std::uint32_t largest) {
  if (text.empty()) return std::nullopt;
  std::uint64_t value = 0;
  for (char byte : text) {
    const int digit = DigitValue(byte, base);
    if (digit < 0) return std::nullopt;
    value = value * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(digit);
    if (value > largest) return std::nullopt;
  }
  return static_cast<std::uint32_t>(value);
}

// Both ASCII case foldings compare through here, so that bytes and UTF-16 units fold alike.
template <typename Char>
bool StartsWithFolded(std::basic_string_view<Char> text, std::basic_string_view<Char> prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    if (LowerAscii(text[i]) != LowerAscii(prefix[i])) return false;
  }
  return true;
}

// text between two quote marks, its control bytes as \xNN, cut short with "..." past longest
// bytes without breaking a UTF-8 sequence.
std::string Quoted(std::string_view text, char mark, std::size_t longest) {
  static constexpr char kHexDigits[] = "0123456789ABCDEF";
  constexpr unsigned char kFirstPrintable = 0x20;
  constexpr unsigned char kDelete = 0x7F;
  const std::size_t cut = Utf8PrefixLength(text, longest);
  std::string quoted(1, mark);
  for (char byte : text.substr(0, cut)) {
    const auto unit = static_cast<unsigned char>(byte);
    if (unit < kFirstPrintable || unit == kDelete) {
      quoted += "\\x";
      quoted += kHexDigits[unit >> 4];
      quoted += kHexDigits[unit & 0xF];
    } else {
      quoted += byte;
    }
  }
  if (cut < text.size()) quoted += "...";
  return quoted + mark;
}

}  // namespace

char LowerAscii(char byte) {
  return byte >= 'A' && byte <= 'Z' ? static_cast<char>(byte - 'A' + 'a') : byte;
}

char16_t LowerAscii(char16_t unit) {
  return unit >= u'A' && unit <= u'Z' ? static_cast<char16_t>(unit - u'A' + u'a') : unit;
}

bool StartsWithIgnoringCase(std::u16string_view text, std::u16string_view prefix) {
  return StartsWithFolded(text, prefix);
}

bool EqualsIgnoringCase(std::u16string_view text, std::u16string_view other) {
  return text.size() == other.size() && StartsWithFolded(text, other);
}

bool IsAsciiAlphanumeric(char byte) {
  const char lower = LowerAscii(byte);
  return (lower >= 'a' && lower <= 'z') || (byte >= '0' && byte <= '9');
}

bool IsAsciiSpace(char byte) {
  return byte == ' ' || byte == '\t' || byte == '\r' || byte == '\n' || byte == '\v' ||
         byte == '\f';
}

std::string_view TrimLeadingAsciiSpace(std::string_view text) {
  while (!text.empty() && IsAsciiSpace(text.front())) text.remove_prefix(1);
  return text;
}

std::string_view TrimAsciiSpace(std::string_view text) {
  text = TrimLeadingAsciiSpace(text);
  while (!text.empty() && IsAsciiSpace(text.back())) text.remove_suffix(1);
  return text;
}

bool EqualsIgnoringCase(std::string_view text, std::string_view other) {
  return text.size() == other.size() && StartsWithFolded(text, other);
}

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
  return StartsWithFolded(text, prefix);
}

bool StartsWith(std::string_view bytes, std::string_view prefix) {
  return bytes.substr(0, prefix.size()) == prefix;
}

std::string HexBytes(std::string_view bytes) {
  static constexpr char kHexDigits[] = "0123456789ABCDEF";
  std::string text;
  text.reserve(3 * bytes.size());
  for (char byte : bytes) {
    const auto unit = static_cast<unsigned char>(byte);
    if (!text.empty()) text += ' ';
    text += kHexDigits[unit >> 4];
    text += kHexDigits[unit & 0xF];
  }
  return text;
}

bool StartsWith(std::u16string_view text, std::u16string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

bool EndsWith(std::string_view bytes, std::string_view suffix) {
  return bytes.size() >= suffix.size() && bytes.substr(bytes.size() - suffix.size()) == suffix;
}

std::string QuotedForReason(std::string_view text) { return Quoted(text, '\'', kLongestQuote); }

std::string QuotedWhole(std::string_view text) { return Quoted(text, '"', text.size()); }

std::optional<std::uint32_t> ParseDecimal(std::string_view text, std::uint32_t largest) {
  return ParseDigits(text, kDecimalBase, largest);
}

std::optional<std::uint32_t> ParseNumber(std::string_view text, std::uint32_t largest) {
  if (StartsWithIgnoringCase(text, kHexPrefix)) {
    return ParseDigits(text.substr(kHexPrefix.size()), kHexBase, largest);
  }
  return ParseDigits(text, kDecimalBase, largest);
}

std::optional<std::chrono::microseconds> ParseSeconds(std::string_view text,
                                                      std::chrono::microseconds shortest,
                                                      std::chrono::microseconds longest) {
  const std::size_t point = text.find('.');
  const std::string_view whole = text.substr(0, point);
  const std::string_view fraction =
      point == std::string_view::npos ? std::string_view() : text.substr(point + 1);
  if (whole.empty() || (point != std::string_view::npos && fraction.empty())) return std::nullopt;
  const std::optional<std::uint32_t> seconds =
      ParseDigits(whole, kDecimalBase, static_cast<std::uint32_t>(kLargestWholeSeconds));
  if (!seconds) return std::nullopt;
  std::chrono::microseconds value = std::chrono::seconds(*seconds);
  std::chrono::microseconds scale = std::chrono::seconds(1);
  bool beyond = false;  // A non-zero digit past the microsecond.
  for (std::size_t i = 0; i < fraction.size(); ++i) {
    const int digit = DigitValue(fraction[i], kDecimalBase);
    if (digit < 0) return std::nullopt;
    if (static_cast<int>(i) < kFractionDigits) {
      scale /= kDecimalBase;
      value += digit * scale;
    } else {
      beyond = beyond || digit != 0;
    }
  }
  if (value < shortest || value > longest || (beyond && value == longest)) return std::nullopt;
  return value;
}

}  // namespace rozovevi::ioserver
