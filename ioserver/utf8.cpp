// Strict UTF-8 <-> UTF-16 conversion, with a fast path for runs of ASCII.
#include "ioserver/utf8.h"

#include <cstdint>
#include <cstring>

namespace rozovevi::ioserver {
namespace {

constexpr char16_t kReplacement = 0xFFFD;

bool IsHighSurrogate(char32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(char32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }
bool IsContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// Appends one code point as UTF-8.
void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

// Units of ASCII narrowed at a time: small enough that the growth of the output stays in the
// cache while it is written.
constexpr std::size_t kAsciiRunUnits = 4096;

// The length of the run of ASCII units at the start of text, looked at four units at a time.
std::size_t AsciiRunLength(std::u16string_view text) {
  std::size_t i = 0;
  while (text.size() - i >= 4) {
    std::uint64_t block;
    std::memcpy(&block, text.data() + i, sizeof block);
    if (block & 0xFF80FF80FF80FF80ULL) break;
    i += 4;
  }
  while (i < text.size() && text[i] < 0x80) ++i;
  return i;
}

// Encodes text; an unpaired surrogate is replaced, or fails the whole conversion.
std::optional<std::string> Encode(std::u16string_view text, bool replace_unpaired) {
  std::string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    // Runs of ASCII, the common case for values, are narrowed in bulk.
    const std::size_t run = AsciiRunLength(text.substr(i, kAsciiRunUnits));
    if (run != 0) {
      const std::size_t start = out.size();
      out.resize(start + run);
      char* dest = out.data() + start;
      for (std::size_t k = 0; k < run; ++k) dest[k] = static_cast<char>(text[i + k]);
      i += run;
      continue;
    }
    char32_t unit = text[i++];
    if (IsHighSurrogate(unit) && i < text.size() && IsLowSurrogate(text[i])) {
      const char32_t low = text[i++];
      AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
      continue;
    }
    if (IsHighSurrogate(unit) || IsLowSurrogate(unit)) {
      if (!replace_unpaired) return std::nullopt;
      unit = kReplacement;
    }
    AppendUtf8(out, unit);
  }
  return out;
}

}  // namespace

std::optional<std::u16string> DecodeUtf8(std::string_view bytes) {
  std::u16string out;
  out.resize(bytes.size());  // UTF-16 never needs more units than UTF-8 has bytes.
  char16_t* dest = out.data();
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const unsigned char* const end = p + bytes.size();

  while (p < end) {
    // Eight ASCII bytes at a time: the common case for values read from files.
    while (end - p >= 8) {
      std::uint64_t block;
      std::memcpy(&block, p, sizeof block);
      if (block & 0x8080808080808080ULL) break;
      for (int k = 0; k < 8; ++k) dest[k] = p[k];
      dest += 8;
      p += 8;
    }
    if (p == end) break;
    const unsigned char lead = *p;
    if (lead < 0x80) {
      *dest++ = lead;
      ++p;
      continue;
    }
    char32_t cp;
    int extra;
    char32_t min;
    if (lead >= 0xC2 && lead <= 0xDF) {
      cp = lead & 0x1F;
      extra = 1;
      min = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      cp = lead & 0x0F;
      extra = 2;
      min = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      cp = lead & 0x07;
      extra = 3;
      min = 0x10000;
    } else {
      return std::nullopt;
    }
    if (end - p <= extra) return std::nullopt;
    for (int k = 1; k <= extra; ++k) {
      if (!IsContinuation(p[k])) return std::nullopt;
      cp = (cp << 6) | (p[k] & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || IsHighSurrogate(cp) || IsLowSurrogate(cp)) {
      return std::nullopt;
    }
    p += extra + 1;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      *dest++ = static_cast<char16_t>(0xD800 + (cp >> 10));
      *dest++ = static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    } else {
      *dest++ = static_cast<char16_t>(cp);
    }
  }
  out.resize(static_cast<std::size_t>(dest - out.data()));
  return out;
}

std::optional<std::string> EncodeUtf8(std::u16string_view text) { return Encode(text, false); }

std::string EncodeUtf8Lossy(std::u16string_view text) { return *Encode(text, true); }

std::u16string WidenUtf8(std::string_view bytes) {
  if (auto decoded = DecodeUtf8(bytes)) return *std::move(decoded);
  std::u16string out;
  for (unsigned char byte : bytes) out.push_back(byte < 0x80 ? char16_t{byte} : kReplacement);
  return out;
}

}  // namespace rozovevi::ioserver
