// The values the benchmarks read and write: ASCII text, and mixed text in which most characters
// take two to four bytes in UTF-8, at the sizes an operator may meet; the conversions are also
// measured on text with no ASCII at all.
#pragma once

#include <array>
#include <cstddef>
#include <string>

namespace rozovevi::bench {

enum class TextKind { kAscii, kMixed, kNonAscii };

struct TextKindInfo {
  TextKind kind;
  const char* label;  // For table rows: "ASCII" or "mixed".
  const char* stem;   // For benchmark and file names.
};
inline constexpr std::array<TextKindInfo, 2> kTextKinds = {{
    {TextKind::kAscii, "ASCII", "ascii"},
    {TextKind::kMixed, "mixed", "mixed"},
}};
inline constexpr std::array<TextKindInfo, 3> kCodecTextKinds = {{
    {TextKind::kAscii, "ASCII", "ascii"},
    {TextKind::kMixed, "mixed", "mixed"},
    {TextKind::kNonAscii, "non-ASCII", "nonascii"},
}};

struct FileSize {
  const char* label;
  std::size_t bytes;
};
inline constexpr std::size_t kKiB = 1024;
inline constexpr std::size_t kMiB = 1024 * kKiB;
inline constexpr std::array<FileSize, 4> kFileSizes = {{
    {"16 B", 16},
    {"1 KiB", kKiB},
    {"1 MiB", kMiB},
    {"16 MiB", 16 * kMiB},
}};

// Exactly bytes bytes of valid UTF-8 with no line ending at the end. ASCII is printable text as
// values mostly are; mixed text repeats a line of Cyrillic, CJK and emoji with some ASCII, and
// non-ASCII text the same scripts with no ASCII; both are cut only between characters (the last
// few bytes are ASCII where a character would not fit).
std::string MakeValueBytes(std::size_t bytes, TextKind kind);

}  // namespace rozovevi::bench
