// Strings in registers: two bytes to a register, in the order the item names.
#include "ioserver/standin/modbus/register_string.h"

#include <optional>

#include "ioserver/ascii_text.h"
#include "ioserver/utf8.h"

namespace rozovevi::ioserver::standin::modbus {
namespace {

constexpr int kBitsPerByte = 8;
constexpr char kNul = '\0';
constexpr std::uint16_t kLowByte = 0x00FF;

// The two bytes of a register in the order they belong to the string.
std::pair<char, char> BytesOf(std::uint16_t word, ByteOrder order) {
  const auto high = static_cast<char>(word >> kBitsPerByte);
  const auto low = static_cast<char>(word & kLowByte);
  return order == ByteOrder::kBadc ? std::pair{low, high} : std::pair{high, low};
}

}  // namespace

std::variant<std::u16string, Status> DecodeRegisterString(
    const std::vector<std::uint16_t>& registers, int length, ByteOrder order) {
  std::string bytes;
  for (std::uint16_t word : registers) {
    const auto [first, second] = BytesOf(word, order);
    bytes.push_back(first);
    bytes.push_back(second);
  }
  bytes.resize(std::min(bytes.size(), static_cast<std::size_t>(length)));
  bytes.resize(std::min(bytes.size(), bytes.find(kNul)));
  std::optional<std::u16string> text = DecodeUtf8(bytes);
  if (!text) {
    return Status::Failure("the device's string is not UTF-8: " + HexBytes(bytes));
  }
  return *std::move(text);
}

std::variant<std::vector<std::uint16_t>, Status> EncodeRegisterString(std::u16string_view text,
                                                                      int length, ByteOrder order) {
  const std::optional<std::string> bytes = EncodeUtf8(text);
  if (!bytes) return Status::Failure("the value holds an unpaired UTF-16 surrogate");
  if (bytes->size() > static_cast<std::size_t>(length)) {
    return Status::Failure("the value is " + std::to_string(bytes->size()) +
                           " bytes of UTF-8, longer than the " + std::to_string(length) +
                           " of str" + std::to_string(length));
  }
  std::string padded = *bytes;
  padded.resize(static_cast<std::size_t>(length + 1) / 2 * 2, kNul);
  std::vector<std::uint16_t> registers;
  for (std::size_t at = 0; at < padded.size(); at += 2) {
    const auto a = static_cast<unsigned char>(padded[at]);
    const auto b = static_cast<unsigned char>(padded[at + 1]);
    // BytesOf undone: the first byte of the pair travels high unless the order swaps it.
    registers.push_back(order == ByteOrder::kBadc
                            ? static_cast<std::uint16_t>((b << kBitsPerByte) | a)
                            : static_cast<std::uint16_t>((a << kBitsPerByte) | b));
  }
  return registers;
}

}  // namespace rozovevi::ioserver::standin::modbus
