// EncodeUtf8 and EncodeUtf8Lossy on any UTF-16 text (the input's bytes taken in pairs, low
// byte first): both agree with the plain reference encoder, the strict one refuses exactly the
// text with an unpaired surrogate, and what either writes decodes back (to the same text for
// the strict one).
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "ioserver/utf8.h"
#include "tests/support/reference_utf8.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace rozovevi;
  std::u16string text;
  text.reserve(size / 2);
  for (std::size_t i = 0; i + 1 < size; i += 2) {
    text.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
  }
  const std::optional<std::string> strict = ioserver::EncodeUtf8(text);
  if (strict != testing::ReferenceEncode(text, false)) __builtin_trap();
  if (strict && ioserver::DecodeUtf8(*strict) != std::optional<std::u16string>(text)) {
    __builtin_trap();
  }
  const std::string lossy = ioserver::EncodeUtf8Lossy(text);
  if (lossy != testing::ReferenceEncode(text, true)) __builtin_trap();
  if (!ioserver::DecodeUtf8(lossy)) __builtin_trap();
  if (strict && lossy != *strict) __builtin_trap();
  return 0;
}
