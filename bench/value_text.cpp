// The benchmark values: a repeated line of text, cut to size between characters.
#include "bench/value_text.h"

#include <string_view>

namespace rozovevi::bench {
namespace {

constexpr std::string_view kAsciiPattern =
    "0123456789 ABCDEFGHIJKLMNOPQRSTUVWXYZ abcdefghijklmnopqrstuvwxyz =+-*/;";
// Cyrillic (2 bytes a character), CJK (3 bytes), emoji (4 bytes: a surrogate pair in UTF-16).
constexpr std::string_view kMixedPattern =
    "\xD0\x94\xD0\xB0\xD0\xB2\xD0\xBB\xD0\xB5\xD0\xBD\xD0\xB8\xD0\xB5 42,5 "  // Давление 42,5
    "\xE6\xB8\xA9\xE5\xBA\xA6\xE8\xA8\x88 "                                   // 温度計
    "\xF0\x9F\x8C\xA1\xF0\x9F\x94\xA5 "                                       // two emoji
    "\xD0\xBD\xD0\xBE\xD1\x80\xD0\xBC\xD0\xB0 \xE6\xAD\xA3\xE5\xB8\xB8; ";    // норма 正常;

// The same scripts with no ASCII in between: Cyrillic, CJK, emoji, Cyrillic, CJK.
constexpr std::string_view kNonAsciiPattern =
    "\xD0\x94\xD0\xB0\xD0\xB2\xD0\xBB\xD0\xB5\xD0\xBD\xD0\xB8\xD0\xB5"   // Давление
    "\xE6\xB8\xA9\xE5\xBA\xA6\xE8\xA8\x88"                               // 温度計
    "\xF0\x9F\x8C\xA1\xF0\x9F\x94\xA5"                                   // two emoji
    "\xD0\xBD\xD0\xBE\xD1\x80\xD0\xBC\xD0\xB0\xE6\xAD\xA3\xE5\xB8\xB8";  // норма正常

std::string_view Pattern(TextKind kind) {
  switch (kind) {
    case TextKind::kAscii:
      return kAsciiPattern;
    case TextKind::kMixed:
      return kMixedPattern;
    case TextKind::kNonAscii:
      return kNonAsciiPattern;
  }
  return kAsciiPattern;
}

bool IsContinuation(char byte) { return (static_cast<unsigned char>(byte) & 0xC0) == 0x80; }

}  // namespace

std::string MakeValueBytes(std::size_t bytes, TextKind kind) {
  const std::string_view pattern = Pattern(kind);
  std::string value;
  value.reserve(bytes);
  while (value.size() + pattern.size() <= bytes) value.append(pattern);
  std::size_t rest = bytes - value.size();
  // Take whole characters of the pattern that fit, then fill up with ASCII.
  while (rest > 0 && rest < pattern.size() && IsContinuation(pattern[rest])) --rest;
  value.append(pattern.substr(0, rest));
  value.append(bytes - value.size(), ' ');
  return value;
}

}  // namespace rozovevi::bench
