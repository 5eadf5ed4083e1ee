// Strict UTF-8 <-> UTF-16 conversion, with a fast path for runs of ASCII.
#include "ioserver/utf8.h"

#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace rozovevi::ioserver {
namespace {

constexpr char16_t kReplacement = 0xFFFD;

constexpr std::size_t kMaxBytesPerUnit = 3;  // A pair of units makes four bytes; one unit three.

// Makes out a string of at most `most` elements whose contents write(data) fills, returning how
// many it wrote. With C++23 the room is not zero-filled first, so no element is written twice.
template <typename String, typename Write>
void WriteInto(String& out, std::size_t most, Write write) {
#if defined(__cpp_lib_string_resize_and_overwrite)
  out.resize_and_overwrite(
      most, [&](typename String::value_type* data, std::size_t) { return write(data); });
#else
  out.resize(most);
  out.resize(write(out.data()));
#endif
}

bool IsHighSurrogate(char32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(char32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }
bool IsContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// Four UTF-16 units at a time: a block with no bit set outside 0x7F in any unit is ASCII.
constexpr std::uint64_t kNonAsciiUnits = 0xFF80FF80FF80FF80ULL;
constexpr std::size_t kUnitsPerBlock = 4;
// Eight bytes at a time: a block with no top bit set is ASCII.
constexpr std::uint64_t kNonAsciiBytes = 0x8080808080808080ULL;

bool IsAsciiBlock(const char16_t* units) {
  std::uint64_t block;
  std::memcpy(&block, units, sizeof block);
  return (block & kNonAsciiUnits) == 0;
}

bool IsSurrogate(char32_t unit) { return (unit & 0xF800) == 0xD800; }

// Whether two blocks of ASCII start at text[i]: the bulk steps are worth trying only there, not
// for the few ASCII characters (a space, a number) between the words of other scripts.
bool StartsAsciiRun(std::u16string_view text, std::size_t i) {
  return text.size() - i >= 2 * kUnitsPerBlock && IsAsciiBlock(text.data() + i) &&
         IsAsciiBlock(text.data() + i + kUnitsPerBlock);
}

#if defined(__SSE2__)
// Thirty-two units at a time, checked together and packed to thirty-two bytes: a saturating add
// of 0x7F80 sets the top bit of exactly the units from 0x80 up.
constexpr std::size_t kVectorsPerStep = 4;
constexpr std::size_t kUnitsPerVector = 8;
constexpr std::size_t kUnitsPerStep = kVectorsPerStep * kUnitsPerVector;
constexpr int kHighBytes = 0xAAAA;  // The movemask bits of each unit's upper byte.

bool IsAsciiStep(const char16_t* units, __m128i (&v)[kVectorsPerStep]) {
  const auto* p = reinterpret_cast<const __m128i*>(units);
  for (std::size_t k = 0; k < kVectorsPerStep; ++k) v[k] = _mm_loadu_si128(p + k);
  const __m128i any = _mm_or_si128(_mm_or_si128(v[0], v[1]), _mm_or_si128(v[2], v[3]));
  return (_mm_movemask_epi8(_mm_adds_epu16(any, _mm_set1_epi16(0x7F80))) & kHighBytes) == 0;
}
#endif

// Narrows the run of ASCII units that starts at text[i] into out, advancing out; returns where
// it stopped: at the run's end, or within a few units of it. Inlined at both of its callers, so
// that out stays in a register in the encoder's loop.
[[gnu::always_inline]] inline std::size_t NarrowAsciiRun(std::u16string_view text, std::size_t i,
                                                         char*& out_ref) {
  char* out = out_ref;  // A local copy, for the reason WidenAsciiRun gives.
#if defined(__SSE2__)
  __m128i v[kVectorsPerStep];
  while (text.size() - i >= kUnitsPerStep && IsAsciiStep(text.data() + i, v)) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_packus_epi16(v[0], v[1]));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out) + 1, _mm_packus_epi16(v[2], v[3]));
    out += kUnitsPerStep;
    i += kUnitsPerStep;
  }
  // Sixteen more at once, for short values and the tail of long ones.
  constexpr std::size_t kUnitsPerHalfStep = kUnitsPerStep / 2;
  if (text.size() - i >= kUnitsPerHalfStep) {
    const auto* p = reinterpret_cast<const __m128i*>(text.data() + i);
    const __m128i low = _mm_loadu_si128(p);
    const __m128i high = _mm_loadu_si128(p + 1);
    const __m128i top = _mm_adds_epu16(_mm_or_si128(low, high), _mm_set1_epi16(0x7F80));
    if ((_mm_movemask_epi8(top) & kHighBytes) == 0) {
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_packus_epi16(low, high));
      out += kUnitsPerHalfStep;
      i += kUnitsPerHalfStep;
    }
  }
#endif
  while (text.size() - i >= kUnitsPerBlock && IsAsciiBlock(text.data() + i)) {
    for (std::size_t k = 0; k < kUnitsPerBlock; ++k) out[k] = static_cast<char>(text[i + k]);
    out += kUnitsPerBlock;
    i += kUnitsPerBlock;
  }
  out_ref = out;
  return i;
}

// Encodes text into out, which has room for three bytes a unit, and returns the
// end of what it wrote, or nothing for an unpaired surrogate unless replace_unpaired. Runs of
// characters of one size are written in loops of their own, so that text in one script takes
// no decision per character on how long it is.
char* EncodeText(std::u16string_view text, bool replace_unpaired, char* out) {
  std::size_t i = 0;
  while (i < text.size()) {
    char32_t cp = text[i];
    if (cp < 0x80) {
      // Runs of ASCII, the common case for values, are narrowed in bulk; a few characters
      // between letters of other scripts, and the end of a run, one at a time.
      if (StartsAsciiRun(text, i)) {
        i = NarrowAsciiRun(text, i, out);
        continue;
      }
      do {
        *out++ = static_cast<char>(cp);
        ++i;
        cp = i < text.size() ? text[i] : kReplacement;
      } while (cp < 0x80);
      continue;
    }
    if (cp < 0x800) {
      do {
        *out++ = static_cast<char>(0xC0 | (cp >> 6));
        *out++ = static_cast<char>(0x80 | (cp & 0x3F));
        ++i;
        cp = i < text.size() ? text[i] : 0;
      } while (cp >= 0x80 && cp < 0x800);
      continue;
    }
    if (!IsSurrogate(cp)) {
      do {
        *out++ = static_cast<char>(0xE0 | (cp >> 12));
        *out++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        *out++ = static_cast<char>(0x80 | (cp & 0x3F));
        ++i;
        cp = i < text.size() ? text[i] : 0;
      } while (cp >= 0x800 && !IsSurrogate(cp));
      continue;
    }
    ++i;
    if (IsHighSurrogate(cp) && i < text.size() && IsLowSurrogate(text[i])) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i++] - 0xDC00);
      *out++ = static_cast<char>(0xF0 | (cp >> 18));
      *out++ = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
      *out++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      *out++ = static_cast<char>(0x80 | (cp & 0x3F));
      continue;
    }
    if (!replace_unpaired) return nullptr;
    cp = kReplacement;
    *out++ = static_cast<char>(0xE0 | (cp >> 12));
    *out++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    *out++ = static_cast<char>(0x80 | (cp & 0x3F));
  }
  return out;
}

// Encodes text; an unpaired surrogate is replaced, or fails the whole conversion. Text that opens
// with ASCII, as most values do, is first narrowed into a string of the text's length: all-ASCII
// text is done then, in one pass, with a result of its exact size. What is left (all of text that
// opens with another letter) is written once after it, into room for the longest possible result,
// which costs only address space for what stays unused. The exact size matters for long values:
// the allocator serves a freed block of up to 32 MiB again, where three bytes a unit of 16 MiB of
// text would be mapped afresh, and its pages faulted in, at every conversion.
std::optional<std::string> Encode(std::u16string_view text, bool replace_unpaired) {
  std::string encoded;
  std::size_t narrowed = 0;
  if (!text.empty() && text[0] < 0x80) {
    WriteInto(encoded, text.size(), [&](char* out) -> std::size_t {
      char* end = out;
      narrowed = NarrowAsciiRun(text, 0, end);
      while (narrowed < text.size() && text[narrowed] < 0x80) {
        *end++ = static_cast<char>(text[narrowed++]);
      }
      return static_cast<std::size_t>(end - out);
    });
    if (narrowed == text.size()) return encoded;
  }
  const std::u16string_view rest = text.substr(narrowed);
  bool valid = true;
  WriteInto(encoded, narrowed + kMaxBytesPerUnit * rest.size(), [&](char* out) -> std::size_t {
    const char* end = EncodeText(rest, replace_unpaired, out + narrowed);
    valid = end != nullptr;
    return valid ? static_cast<std::size_t>(end - out) : 0;
  });
  if (!valid) return std::nullopt;
  return encoded;
}

// Widens the run of ASCII bytes at p into dest, advancing both: thirty-two bytes a step with SSE2,
// eight otherwise. Stops at the run's end or within a step of it.
void WidenAsciiRun(const unsigned char*& p_ref, const unsigned char* end, char16_t*& dest_ref) {
  // Local copies: the vector stores may alias anything, and would otherwise make the compiler
  // reload both positions from memory at every step.
  const unsigned char* p = p_ref;
  char16_t* dest = dest_ref;
#if defined(__SSE2__)
  constexpr std::ptrdiff_t kBytesPerStep = 32;
  const __m128i zero = _mm_setzero_si128();
  while (end - p >= kBytesPerStep) {
    const __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i high = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p) + 1);
    if (_mm_movemask_epi8(_mm_or_si128(low, high)) != 0) break;
    auto* out = reinterpret_cast<__m128i*>(dest);
    _mm_storeu_si128(out, _mm_unpacklo_epi8(low, zero));
    _mm_storeu_si128(out + 1, _mm_unpackhi_epi8(low, zero));
    _mm_storeu_si128(out + 2, _mm_unpacklo_epi8(high, zero));
    _mm_storeu_si128(out + 3, _mm_unpackhi_epi8(high, zero));
    dest += kBytesPerStep;
    p += kBytesPerStep;
  }
  // Sixteen more at once, for short values and the tail of long ones.
  constexpr std::ptrdiff_t kBytesPerHalfStep = 16;
  if (end - p >= kBytesPerHalfStep) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    if (_mm_movemask_epi8(bytes) == 0) {
      auto* out = reinterpret_cast<__m128i*>(dest);
      _mm_storeu_si128(out, _mm_unpacklo_epi8(bytes, zero));
      _mm_storeu_si128(out + 1, _mm_unpackhi_epi8(bytes, zero));
      dest += kBytesPerHalfStep;
      p += kBytesPerHalfStep;
    }
  }
#endif
  constexpr std::ptrdiff_t kBytesPerBlock = 8;
  while (end - p >= kBytesPerBlock) {
    std::uint64_t block;
    std::memcpy(&block, p, sizeof block);
    if (block & kNonAsciiBytes) break;
    for (std::ptrdiff_t k = 0; k < kBytesPerBlock; ++k) dest[k] = p[k];
    dest += kBytesPerBlock;
    p += kBytesPerBlock;
  }
  p_ref = p;
  dest_ref = dest;
}

// Whether a block of eight ASCII bytes starts at p: the bulk steps are worth trying only there.
bool StartsAsciiRun(const unsigned char* p, const unsigned char* end) {
  std::uint64_t block;
  if (end - p < static_cast<std::ptrdiff_t>(sizeof block)) return false;
  std::memcpy(&block, p, sizeof block);
  return (block & kNonAsciiBytes) == 0;
}

// Decodes the bytes from p to end into dest, which has room for a unit a byte, and returns the
// end of what it wrote, or nothing for bytes that are not valid UTF-8. Runs of characters of one
// length are decoded in loops of their own, so that text in one script takes no decision per
// character on how long it is.
char16_t* DecodeBytes(const unsigned char* p, const unsigned char* const end, char16_t* dest) {
  while (p < end) {
    unsigned char lead = *p;
    if (lead < 0x80) {
      if (StartsAsciiRun(p, end)) WidenAsciiRun(p, end, dest);
      while (p < end && *p < 0x80) *dest++ = *p++;
      continue;
    }
    if (lead >= 0xC2 && lead <= 0xDF) {
      do {
        if (end - p < 2 || !IsContinuation(p[1])) return nullptr;
        *dest++ = static_cast<char16_t>(((lead & 0x1F) << 6) | (p[1] & 0x3F));
        p += 2;
      } while (p < end && (lead = *p) >= 0xC2 && lead <= 0xDF);
      continue;
    }
    if (lead >= 0xE0 && lead <= 0xEF) {
      do {
        if (end - p < 3 || !IsContinuation(p[1]) || !IsContinuation(p[2])) return nullptr;
        const char32_t cp = ((lead & 0x0F) << 12) | ((p[1] & 0x3F) << 6) | (p[2] & 0x3F);
        // Overlong forms and encoded surrogates are not UTF-8.
        if (cp < 0x800 || IsSurrogate(cp)) return nullptr;
        *dest++ = static_cast<char16_t>(cp);
        p += 3;
      } while (p < end && (lead = *p) >= 0xE0 && lead <= 0xEF);
      continue;
    }
    if (lead < 0xF0 || lead > 0xF4 || end - p < 4 || !IsContinuation(p[1]) ||
        !IsContinuation(p[2]) || !IsContinuation(p[3])) {
      return nullptr;
    }
    char32_t cp =
        ((lead & 0x07) << 18) | ((p[1] & 0x3F) << 12) | ((p[2] & 0x3F) << 6) | (p[3] & 0x3F);
    if (cp < 0x10000 || cp > 0x10FFFF) return nullptr;
    p += 4;
    cp -= 0x10000;
    *dest++ = static_cast<char16_t>(0xD800 + (cp >> 10));
    *dest++ = static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
  }
  return dest;
}

}  // namespace

// The result is written once, straight into a string with room for a unit a byte (UTF-16 never
// needs more units than UTF-8 has bytes), which costs only address space for what stays unused.
std::optional<std::u16string> DecodeUtf8(std::string_view bytes) {
  std::u16string decoded;
  bool valid = true;
  WriteInto(decoded, bytes.size(), [&](char16_t* dest) -> std::size_t {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const char16_t* end = DecodeBytes(p, p + bytes.size(), dest);
    valid = end != nullptr;
    return valid ? static_cast<std::size_t>(end - dest) : 0;
  });
  if (!valid) return std::nullopt;
  return decoded;
}

std::optional<std::string> EncodeUtf8(std::u16string_view text) { return Encode(text, false); }

std::string EncodeUtf8Lossy(std::u16string_view text) { return *Encode(text, true); }

std::size_t Utf8Length(std::u16string_view text) {
  constexpr char16_t kFirstTwoByte = 0x80;
  constexpr char16_t kFirstThreeByte = 0x800;
  std::size_t length = 0;
  for (const char16_t unit : text) {
    if (unit < kFirstTwoByte) {
      length += 1;
    } else if (unit < kFirstThreeByte || IsSurrogate(unit)) {
      length += 2;
    } else {
      length += 3;
    }
  }
  return length;
}

std::size_t Utf8PrefixLength(std::string_view bytes, std::size_t limit) {
  std::size_t length = std::min(bytes.size(), limit);
  while (length > 0 && length < bytes.size() &&
         IsContinuation(static_cast<unsigned char>(bytes[length]))) {
    --length;
  }
  return length;
}

std::u16string WidenUtf8(std::string_view bytes) {
  if (auto decoded = DecodeUtf8(bytes)) return *std::move(decoded);
  std::u16string out;
  for (unsigned char byte : bytes) out.push_back(byte < 0x80 ? char16_t{byte} : kReplacement);
  return out;
}

}  // namespace rozovevi::ioserver
