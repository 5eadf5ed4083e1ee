// Any registers a device may reply with for a str<N> item, N and the order picked by the first
// two bytes: decoded, the text holds no NUL and at most N bytes of UTF-8, and written back and
// read again it is the same text; a refusal is one line.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "ioserver/standin/modbus/register_string.h"
#include "ioserver/utf8.h"

namespace {

using namespace rozovevi::ioserver;
using namespace rozovevi::ioserver::standin::modbus;

void Require(bool holds) {
  if (!holds) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const int length = 1 + data[0] % kLongestString;
  const ByteOrder order = (data[1] & 1) != 0 ? ByteOrder::kBadc : ByteOrder::kAbcd;
  std::vector<std::uint16_t> registers(static_cast<std::size_t>(length + 1) / 2, 0);
  for (std::size_t i = 0; i < registers.size() && 3 + 2 * i < size; ++i) {
    registers[i] = static_cast<std::uint16_t>((data[2 + 2 * i] << 8) | data[3 + 2 * i]);
  }
  const auto decoded = DecodeRegisterString(registers, length, order);
  if (const auto* refused = std::get_if<Status>(&decoded)) {
    Require(!refused->ok() && refused->reason().find('\n') == std::string::npos);
    return 0;
  }
  const std::u16string& text = std::get<std::u16string>(decoded);
  Require(text.find(u'\0') == std::u16string::npos);
  const std::optional<std::string> bytes = EncodeUtf8(text);
  Require(bytes && bytes->size() <= static_cast<std::size_t>(length));
  const auto encoded = EncodeRegisterString(text, length, order);
  Require(std::holds_alternative<std::vector<std::uint16_t>>(encoded));
  const auto again =
      DecodeRegisterString(std::get<std::vector<std::uint16_t>>(encoded), length, order);
  Require(std::holds_alternative<std::u16string>(again) && std::get<std::u16string>(again) == text);
  return 0;
}
