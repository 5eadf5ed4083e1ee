// Strict UTF-8 <-> UTF-16 conversion, with a fast path for runs of ASCII.
#include "ioserver/utf8.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace rozovevi::ioserver {
namespace {

constexpr char16_t kReplacement = 0xFFFD;

// The conversions work through a buffer on the stack, a slice of the input at a time, sized to
// stay in the first-level cache together with the input it is made from.
constexpr std::size_t kDecodeSliceBytes = 4096;
constexpr std::size_t kEncodeSliceUnits = 2048;
constexpr std::size_t kMaxBytesPerUnit = 3;  // A pair of units makes four bytes; one unit three.
constexpr std::size_t kLongestContinuation = 3;

bool IsHighSurrogate(char32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(char32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }
bool IsContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// Four UTF-16 units at a time: a block with no bit set outside 0x7F in any unit is ASCII.
constexpr std::uint64_t kNonAsciiUnits = 0xFF80FF80FF80FF80ULL;
constexpr std::size_t kUnitsPerBlock = 4;

bool IsAsciiBlock(const char16_t* units) {
  std::uint64_t block;
  std::memcpy(&block, units, sizeof block);
  return (block & kNonAsciiUnits) == 0;
}

bool IsSurrogate(char32_t unit) { return (unit & 0xF800) == 0xD800; }

// Whether a block of ASCII starts at text[i]: the bulk steps are worth trying only there, not
// for the few ASCII characters between the letters of other scripts.
bool StartsAsciiBlock(std::u16string_view text, std::size_t i) {
  return text.size() - i >= kUnitsPerBlock && IsAsciiBlock(text.data() + i);
}

#if defined(__SSE2__)
// Sixteen units at a time, checked together and packed to sixteen bytes.
constexpr std::size_t kUnitsPerStep = 16;

bool IsAsciiStep(const char16_t* units, __m128i& low, __m128i& high) {
  low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(units));
  high = _mm_loadu_si128(reinterpret_cast<const __m128i*>(units + 8));
  const __m128i outside =
      _mm_and_si128(_mm_or_si128(low, high), _mm_set1_epi16(static_cast<short>(0xFF80)));
  return _mm_movemask_epi8(_mm_cmpeq_epi16(outside, _mm_setzero_si128())) == 0xFFFF;
}
#endif

// Narrows the run of ASCII units that starts at text[i] into out, advancing out; returns where
// it stopped: at the run's end, or within a few units of it.
std::size_t NarrowAsciiRun(std::u16string_view text, std::size_t i, char*& out_ref) {
  char* out = out_ref;  // A local copy, for the reason WidenAsciiRun gives.
#if defined(__SSE2__)
  __m128i low;
  __m128i high;
  while (text.size() - i >= kUnitsPerStep && IsAsciiStep(text.data() + i, low, high)) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_packus_epi16(low, high));
    out += kUnitsPerStep;
    i += kUnitsPerStep;
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

// Whether every byte is ASCII, sixty-four bytes a step with SSE2 (eight otherwise); text that
// is not stops the look at its first block with another byte, which for most such text is the
// first block.
bool IsAllAscii(std::string_view bytes) {
  const char* p = bytes.data();
  const char* const end = p + bytes.size();
#if defined(__SSE2__)
  constexpr std::ptrdiff_t kBytesPerStep = 64;
  for (; end - p >= kBytesPerStep; p += kBytesPerStep) {
    const auto* v = reinterpret_cast<const __m128i*>(p);
    const __m128i any = _mm_or_si128(_mm_or_si128(_mm_loadu_si128(v), _mm_loadu_si128(v + 1)),
                                     _mm_or_si128(_mm_loadu_si128(v + 2), _mm_loadu_si128(v + 3)));
    if (_mm_movemask_epi8(any) != 0) return false;
  }
#endif
  constexpr std::ptrdiff_t kBytesPerBlock = 8;
  for (; end - p >= kBytesPerBlock; p += kBytesPerBlock) {
    std::uint64_t block;
    std::memcpy(&block, p, sizeof block);
    if (block & 0x8080808080808080ULL) return false;
  }
  for (; p < end; ++p) {
    if (static_cast<unsigned char>(*p) >= 0x80) return false;
  }
  return true;
}

// Whether every unit is ASCII, sixty-four units a step with SSE2 (four otherwise), stopping at
// the first block with another unit. A saturating add of 0x7F80 sets the top bit of exactly
// the units from 0x80 up.
bool IsAllAscii(std::u16string_view text) {
  const char16_t* p = text.data();
  const char16_t* const end = p + text.size();
#if defined(__SSE2__)
  constexpr std::ptrdiff_t kUnitsPerScan = 64;
  constexpr int kHighBytes = 0xAAAA;  // The movemask bits of each unit's upper byte.
  const __m128i to_top_bit = _mm_set1_epi16(0x7F80);
  for (; end - p >= kUnitsPerScan; p += kUnitsPerScan) {
    const auto* v = reinterpret_cast<const __m128i*>(p);
    const __m128i any =
        _mm_or_si128(_mm_or_si128(_mm_or_si128(_mm_loadu_si128(v), _mm_loadu_si128(v + 1)),
                                  _mm_or_si128(_mm_loadu_si128(v + 2), _mm_loadu_si128(v + 3))),
                     _mm_or_si128(_mm_or_si128(_mm_loadu_si128(v + 4), _mm_loadu_si128(v + 5)),
                                  _mm_or_si128(_mm_loadu_si128(v + 6), _mm_loadu_si128(v + 7))));
    if ((_mm_movemask_epi8(_mm_adds_epu16(any, to_top_bit)) & kHighBytes) != 0) return false;
  }
#endif
  for (; end - p >= static_cast<std::ptrdiff_t>(kUnitsPerBlock); p += kUnitsPerBlock) {
    if (!IsAsciiBlock(p)) return false;
  }
  for (; p < end; ++p) {
    if (*p >= 0x80) return false;
  }
  return true;
}

// Encodes one slice of text into out, which has room for three bytes a unit, and returns the
// end of what it wrote, or nothing for an unpaired surrogate unless replace_unpaired. Runs of
// characters of one size are written in loops of their own, so that text in one script takes
// no decision per character on how long it is.
char* EncodeSlice(std::u16string_view text, bool replace_unpaired, char* out) {
  std::size_t i = 0;
  while (i < text.size()) {
    char32_t cp = text[i];
    if (cp < 0x80) {
      // Runs of ASCII, the common case for values, are narrowed in bulk; a few characters
      // between letters of other scripts, and the end of a run, one at a time.
      if (StartsAsciiBlock(text, i)) {
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

// Encodes text; an unpaired surrogate is replaced, or fails the whole conversion. The string
// reserves room for the longest possible result at once, which costs only address space for
// what stays unused, and each slice is encoded into a buffer on the stack and appended, so
// that no byte of the result is written twice (resizing first would fill it with zeros).
std::optional<std::string> Encode(std::u16string_view text, bool replace_unpaired) {
  // ASCII text, as most values are, is narrowed straight into a string of its exact size.
  if (IsAllAscii(text)) return std::string(text.begin(), text.end());
  std::string encoded;
  encoded.reserve(kMaxBytesPerUnit * text.size());
  char buffer[kMaxBytesPerUnit * kEncodeSliceUnits];
  while (!text.empty()) {
    std::size_t length = std::min(text.size(), kEncodeSliceUnits);
    if (length < text.size() && IsHighSurrogate(text[length - 1])) --length;  // Keep pairs whole.
    const char* end = EncodeSlice(text.substr(0, length), replace_unpaired, buffer);
    if (end == nullptr) return std::nullopt;
    encoded.append(buffer, static_cast<std::size_t>(end - buffer));
    text.remove_prefix(length);
  }
  return encoded;
}

// Widens the run of ASCII bytes at p into dest, advancing both: sixteen bytes a step with SSE2,
// eight otherwise. Stops at the run's end or within a step of it.
void WidenAsciiRun(const unsigned char*& p_ref, const unsigned char* end, char16_t*& dest_ref) {
  // Local copies: the vector stores may alias anything, and would otherwise make the compiler
  // reload both positions from memory at every step.
  const unsigned char* p = p_ref;
  char16_t* dest = dest_ref;
#if defined(__SSE2__)
  constexpr std::ptrdiff_t kBytesPerStep = 16;
  const __m128i zero = _mm_setzero_si128();
  while (end - p >= kBytesPerStep) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    if (_mm_movemask_epi8(bytes) != 0) break;
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dest), _mm_unpacklo_epi8(bytes, zero));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dest + 8), _mm_unpackhi_epi8(bytes, zero));
    dest += kBytesPerStep;
    p += kBytesPerStep;
  }
#endif
  constexpr std::ptrdiff_t kBytesPerBlock = 8;
  while (end - p >= kBytesPerBlock) {
    std::uint64_t block;
    std::memcpy(&block, p, sizeof block);
    if (block & 0x8080808080808080ULL) break;
    for (std::ptrdiff_t k = 0; k < kBytesPerBlock; ++k) dest[k] = p[k];
    dest += kBytesPerBlock;
    p += kBytesPerBlock;
  }
  p_ref = p;
  dest_ref = dest;
}

// Decodes the bytes from p to end into dest, which has room for a unit a byte, and returns the
// end of what it wrote, or nothing for bytes that are not valid UTF-8. Runs of characters of one
// length are decoded in loops of their own, so that text in one script takes no decision per
// character on how long it is.
char16_t* DecodeSlice(const unsigned char* p, const unsigned char* const end, char16_t* dest) {
  while (p < end) {
    unsigned char lead = *p;
    if (lead < 0x80) {
      WidenAsciiRun(p, end, dest);
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

// The length of the slice of bytes to decode next: at most kDecodeSliceBytes, ending before a
// byte that is not a continuation byte, so that no character is cut in two. A byte preceded by
// three continuation bytes is where a slice may end too: no valid character goes through it.
std::size_t DecodeSliceLength(std::string_view bytes) {
  if (bytes.size() <= kDecodeSliceBytes) return bytes.size();
  std::size_t length = kDecodeSliceBytes;
  for (std::size_t back = 0; back < kLongestContinuation; ++back) {
    if (!IsContinuation(static_cast<unsigned char>(bytes[length]))) break;
    --length;
  }
  return length;
}

}  // namespace

// The string reserves a unit a byte at once, which costs only address space for what stays
// unused, and each slice is decoded into a buffer on the stack and appended, so that no unit of
// the result is written twice (resizing first would fill it with zeros).
std::optional<std::u16string> DecodeUtf8(std::string_view bytes) {
  // ASCII text, as most values are, is widened straight into a string of its exact size.
  if (IsAllAscii(bytes)) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    return std::u16string(p, p + bytes.size());
  }
  std::u16string out;
  out.reserve(bytes.size());  // UTF-16 never needs more units than UTF-8 has bytes.
  char16_t buffer[kDecodeSliceBytes];
  while (!bytes.empty()) {
    const std::size_t length = DecodeSliceLength(bytes);
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const char16_t* end = DecodeSlice(p, p + length, buffer);
    if (end == nullptr) return std::nullopt;
    out.append(buffer, static_cast<std::size_t>(end - buffer));
    bytes.remove_prefix(length);
  }
  return out;
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
