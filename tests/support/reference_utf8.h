// Plain, one-code-point-at-a-time UTF-8 conversions written from the table of well-formed byte
// sequences, with no bulk steps: what the program's fast conversions must agree with.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace rozovevi::testing {

// Well-formed UTF-8 decoded to UTF-16, or nothing for any ill-formed sequence.
inline std::optional<std::u16string> ReferenceDecode(std::string_view bytes) {
  // For each lead byte range: the sequence's length and the allowed range of its second byte
  // (the later bytes are always 80..BF).
  struct Form {
    unsigned char lead_first, lead_last, length, second_first, second_last;
  };
  static constexpr Form kForms[] = {
      {0x00, 0x7F, 1, 0, 0},       {0xC2, 0xDF, 2, 0x80, 0xBF}, {0xE0, 0xE0, 3, 0xA0, 0xBF},
      {0xE1, 0xEC, 3, 0x80, 0xBF}, {0xED, 0xED, 3, 0x80, 0x9F}, {0xEE, 0xEF, 3, 0x80, 0xBF},
      {0xF0, 0xF0, 4, 0x90, 0xBF}, {0xF1, 0xF3, 4, 0x80, 0xBF}, {0xF4, 0xF4, 4, 0x80, 0x8F},
  };
  std::u16string out;
  std::size_t i = 0;
  while (i < bytes.size()) {
    const auto lead = static_cast<unsigned char>(bytes[i]);
    const Form* form = nullptr;
    for (const Form& f : kForms) {
      if (lead >= f.lead_first && lead <= f.lead_last) form = &f;
    }
    if (form == nullptr || bytes.size() - i < form->length) return std::nullopt;
    char32_t cp = form->length == 1 ? lead : lead & (0xFF >> (form->length + 1));
    for (std::size_t k = 1; k < form->length; ++k) {
      const auto byte = static_cast<unsigned char>(bytes[i + k]);
      const unsigned char first = k == 1 ? form->second_first : 0x80;
      const unsigned char last = k == 1 ? form->second_last : 0xBF;
      if (byte < first || byte > last) return std::nullopt;
      cp = (cp << 6) | (byte & 0x3F);
    }
    i += form->length;
    if (cp < 0x10000) {
      out.push_back(static_cast<char16_t>(cp));
    } else {
      out.push_back(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
    }
  }
  return out;
}

// UTF-16 encoded as UTF-8; an unpaired surrogate is replaced with U+FFFD when replace_unpaired,
// and fails the conversion otherwise.
inline std::optional<std::string> ReferenceEncode(std::u16string_view text, bool replace_unpaired) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t cp = text[i];
    const bool high = cp >= 0xD800 && cp <= 0xDBFF;
    if (high && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (text[++i] - 0xDC00);
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      if (!replace_unpaired) return std::nullopt;
      cp = 0xFFFD;
    }
    if (cp < 0x80) {
      out += static_cast<char>(cp);
    } else if (cp < 0x800) {
      out += static_cast<char>(0xC0 | (cp >> 6));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
      out += static_cast<char>(0xE0 | (cp >> 12));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (cp >> 18));
      out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    }
  }
  return out;
}

}  // namespace rozovevi::testing
