// DecodeUtf8 on any bytes: it accepts exactly the well-formed UTF-8 that the plain reference
// decoder accepts, gives the same text, and what it accepts encodes back to the same bytes.
// WidenUtf8 never fails and agrees with DecodeUtf8 on valid input.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "ioserver/utf8.h"
#include "tests/support/reference_utf8.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace rozovevi;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::optional<std::u16string> decoded = ioserver::DecodeUtf8(bytes);
  if (decoded != testing::ReferenceDecode(bytes)) __builtin_trap();
  const std::u16string widened = ioserver::WidenUtf8(bytes);
  if (decoded) {
    if (ioserver::EncodeUtf8(*decoded) != std::optional<std::string>(bytes)) __builtin_trap();
    if (widened != *decoded) __builtin_trap();
  } else if (widened.size() > bytes.size()) {
    __builtin_trap();
  }
  return 0;
}
