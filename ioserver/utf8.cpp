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
std::size_t NarrowAsciiRun(std::u16string_view text, std::size_t i, char*& out) {
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
  return i;
}

// The number of surrogates in text that are not half of a pair.
std::size_t UnpairedSurrogates(std::u16string_view text) {
  std::size_t unpaired = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (IsHighSurrogate(text[i]) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
      ++i;
    } else if (IsSurrogate(text[i])) {
      ++unpaired;
    }
  }
  return unpaired;
}

// The bytes a unit takes in UTF-8: 1, 2 or 3 by its value, and 2 for a surrogate, so that a
// pair makes its 4.
std::size_t UnitBytes(char16_t unit) {
  return 1 + (unit >= 0x80) + (unit >= 0x800) - IsSurrogate(unit);
}

#if defined(__SSE2__)
// UnitBytes summed over the units from i, eight at a time, for as many whole steps of eight as
// there are; advances i past them and notes whether any unit was a surrogate. No branch
// depends on the text, so that text mixing scripts costs no more than text in one.
std::size_t StepsBytes(std::u16string_view text, std::size_t& i, bool& has_surrogates) {
  constexpr std::size_t kUnitsPerStep = 8;
  // A 16-bit lane gains at most 3 a step: it is added to the total before it could overflow.
  constexpr std::size_t kStepsPerSum = 8192;
  const __m128i zero = _mm_setzero_si128();
  const __m128i three = _mm_set1_epi16(3);
  const __m128i highest_one_byte = _mm_set1_epi16(0x7F);
  const __m128i highest_two_bytes = _mm_set1_epi16(0x7FF);
  const __m128i surrogate_bits = _mm_set1_epi16(static_cast<short>(0xF800));
  const __m128i surrogate_value = _mm_set1_epi16(static_cast<short>(0xD800));
  std::size_t bytes = 0;
  __m128i surrogates_seen = zero;
  while (text.size() - i >= kUnitsPerStep) {
    __m128i lanes = zero;
    for (std::size_t step = 0; step < kStepsPerSum && text.size() - i >= kUnitsPerStep; ++step) {
      const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + i));
      // All bits set where a unit takes one byte fewer than three for that reason.
      const __m128i one_byte = _mm_cmpeq_epi16(_mm_subs_epu16(units, highest_one_byte), zero);
      const __m128i up_to_two = _mm_cmpeq_epi16(_mm_subs_epu16(units, highest_two_bytes), zero);
      const __m128i surrogate =
          _mm_cmpeq_epi16(_mm_and_si128(units, surrogate_bits), surrogate_value);
      lanes = _mm_add_epi16(
          lanes,
          _mm_add_epi16(three, _mm_add_epi16(_mm_add_epi16(one_byte, up_to_two), surrogate)));
      surrogates_seen = _mm_or_si128(surrogates_seen, surrogate);
      i += kUnitsPerStep;
    }
    std::int32_t sums[4];
    _mm_storeu_si128(reinterpret_cast<__m128i*>(sums), _mm_madd_epi16(lanes, _mm_set1_epi16(1)));
    bytes += static_cast<std::size_t>(sums[0]) + static_cast<std::size_t>(sums[1]) +
             static_cast<std::size_t>(sums[2]) + static_cast<std::size_t>(sums[3]);
  }
  has_surrogates = has_surrogates || _mm_movemask_epi8(surrogates_seen) != 0;
  return bytes;
}
#endif

// The UTF-8 length of text, with an unpaired surrogate counted as the three bytes of U+FFFD
// when replace_unpaired, and as if it were paired otherwise (the encoding then refuses it). A
// second pass only for diagnostic text that holds surrogates.
std::size_t EncodedLength(std::u16string_view text, bool replace_unpaired) {
  std::size_t length = 0;
  bool has_surrogates = false;
  std::size_t i = 0;
#if defined(__SSE2__)
  length = StepsBytes(text, i, has_surrogates);
#endif
  for (; i < text.size(); ++i) {
    length += UnitBytes(text[i]);
    has_surrogates = has_surrogates || IsSurrogate(text[i]);
  }
  if (has_surrogates && replace_unpaired) length += UnpairedSurrogates(text);
  return length;
}

// Encodes text; an unpaired surrogate is replaced, or fails the whole conversion. Text that
// begins with ASCII, as most values do, is first narrowed into a string sized for ASCII alone;
// at the first other character (and at once for text that begins with one) the length of the
// rest is found, so that the bytes are written once into a string of their exact size. Runs of
// characters of one size are written in loops of their own, so that text in one script takes
// no decision per character on how long it is.
std::optional<std::string> Encode(std::u16string_view text, bool replace_unpaired) {
  std::string encoded;
  std::size_t i = 0;
  if (StartsAsciiBlock(text, 0)) {
    encoded.resize(text.size());
    char* ascii_out = encoded.data();
    i = NarrowAsciiRun(text, 0, ascii_out);
    while (i < text.size() && text[i] < 0x80) *ascii_out++ = static_cast<char>(text[i++]);
    if (i == text.size()) return encoded;
  }
  encoded.resize(i + EncodedLength(text.substr(i), replace_unpaired));
  char* out = encoded.data() + i;
  while (i < text.size()) {
    char32_t cp = text[i];
    if (cp < 0x80) {
      // Runs of ASCII, the common case for values, are narrowed in bulk.
      if (StartsAsciiBlock(text, i)) {
        i = NarrowAsciiRun(text, i, out);
      } else {
        *out++ = static_cast<char>(cp);
        ++i;
      }
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
    if (!replace_unpaired) return std::nullopt;
    cp = kReplacement;
    *out++ = static_cast<char>(0xE0 | (cp >> 12));
    *out++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    *out++ = static_cast<char>(0x80 | (cp & 0x3F));
  }
  return encoded;
}

// Widens the run of ASCII bytes at p into dest, advancing both: sixteen bytes a step with SSE2,
// eight otherwise. Stops at the run's end or within a step of it.
void WidenAsciiRun(const unsigned char*& p, const unsigned char* end, char16_t*& dest) {
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
}

}  // namespace

std::optional<std::u16string> DecodeUtf8(std::string_view bytes) {
  std::u16string out;
  out.resize(bytes.size());  // UTF-16 never needs more units than UTF-8 has bytes.
  char16_t* dest = out.data();
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const unsigned char* const end = p + bytes.size();

  // Runs of characters of one length are decoded in loops of their own, so that text in one
  // script takes no decision per character on how long it is.
  while (p < end) {
    unsigned char lead = *p;
    if (lead < 0x80) {
      WidenAsciiRun(p, end, dest);
      while (p < end && *p < 0x80) *dest++ = *p++;
      continue;
    }
    if (lead >= 0xC2 && lead <= 0xDF) {
      do {
        if (end - p < 2 || !IsContinuation(p[1])) return std::nullopt;
        *dest++ = static_cast<char16_t>(((lead & 0x1F) << 6) | (p[1] & 0x3F));
        p += 2;
      } while (p < end && (lead = *p) >= 0xC2 && lead <= 0xDF);
      continue;
    }
    if (lead >= 0xE0 && lead <= 0xEF) {
      do {
        if (end - p < 3 || !IsContinuation(p[1]) || !IsContinuation(p[2])) return std::nullopt;
        const char32_t cp = ((lead & 0x0F) << 12) | ((p[1] & 0x3F) << 6) | (p[2] & 0x3F);
        // Overlong forms and encoded surrogates are not UTF-8.
        if (cp < 0x800 || IsSurrogate(cp)) return std::nullopt;
        *dest++ = static_cast<char16_t>(cp);
        p += 3;
      } while (p < end && (lead = *p) >= 0xE0 && lead <= 0xEF);
      continue;
    }
    if (lead < 0xF0 || lead > 0xF4 || end - p < 4 || !IsContinuation(p[1]) ||
        !IsContinuation(p[2]) || !IsContinuation(p[3])) {
      return std::nullopt;
    }
    char32_t cp =
        ((lead & 0x07) << 18) | ((p[1] & 0x3F) << 12) | ((p[2] & 0x3F) << 6) | (p[3] & 0x3F);
    if (cp < 0x10000 || cp > 0x10FFFF) return std::nullopt;
    p += 4;
    cp -= 0x10000;
    *dest++ = static_cast<char16_t>(0xD800 + (cp >> 10));
    *dest++ = static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
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
