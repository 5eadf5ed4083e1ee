// Any bytes as a MODBUS: address. What the parser accepts keeps every bound, and printed back in
// canonical form parses to the same item; the UTF-16 entry agrees with the UTF-8 one.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "ioserver/ascii_text.h"
#include "ioserver/standin/modbus/modbus_address.h"
#include "ioserver/utf8.h"

namespace {

using namespace rozovevi::ioserver;
using namespace rozovevi::ioserver::standin::modbus;

void Require(bool holds) {
  if (!holds) std::abort();
}

std::string Canonical(const ItemAddress& item) {
  std::string text = "MODBUS:" + DescribeLink(item.link) + "/" + std::to_string(item.unit) + "/" +
                     std::string(NameOf(item.table)) + "/" + std::to_string(item.offset);
  if (item.bit) text += "." + std::to_string(*item.bit);
  text += ":" + std::string(NameOf(item.type));
  if (item.type == ValueType::kString) text += std::to_string(item.string_bytes);
  if (WidthOf(item.type) > 1 || item.type == ValueType::kString) {
    text += ":" + std::string(NameOf(item.order));
  }
  const auto micros = item.timeout.count();
  std::string fraction = std::to_string(micros % 1000000);
  fraction.insert(0, 6 - fraction.size(), '0');
  text += "?timeout=" + std::to_string(micros / 1000000) + "." + fraction;
  if (item.single_register_with_fc16) text += "&fc=16";
  return text;
}

bool Same(const ItemAddress& a, const ItemAddress& b) {
  return DescribeLink(a.link) == DescribeLink(b.link) && a.unit == b.unit && a.table == b.table &&
         a.offset == b.offset && a.type == b.type && a.order == b.order && a.timeout == b.timeout &&
         a.single_register_with_fc16 == b.single_register_with_fc16 && a.bit == b.bit &&
         a.string_bytes == b.string_bytes;
}

void CheckBounds(const ItemAddress& item) {
  const bool rtu = !std::holds_alternative<TcpLink>(item.link);
  Require(rtu ? item.unit >= 1 && item.unit <= 247
              : (item.unit >= 0 && item.unit <= 247) || item.unit == 255);
  Require(item.offset + RegisterCount(item) - 1 <= 65535);
  Require(item.timeout >= kShortestTimeout && item.timeout <= kLongestTimeout);
  const bool bits = item.table == Table::kCoils || item.table == Table::kDiscreteInputs;
  Require(bits ? item.type == ValueType::kBool && !item.bit
               : (item.type == ValueType::kBool) == item.bit.has_value());
  Require(!item.bit || (*item.bit >= 0 && *item.bit <= kHighestBit));
  Require((item.type == ValueType::kString) ==
          (item.string_bytes >= 1 && item.string_bytes <= kLongestString));
  Require(WidthOf(item.type) > 1 || item.order == ByteOrder::kAbcd ||
          (item.type == ValueType::kString && item.order == ByteOrder::kBadc));
  if (item.single_register_with_fc16) {
    Require(item.table == Table::kHoldingRegisters && RegisterCount(item) == 1 && !item.bit &&
            item.type != ValueType::kString);
  }
  const auto* framed = std::get_if<RtuOverTcpLink>(&item.link);
  if (const auto* tcp = framed != nullptr ? &framed->tcp : std::get_if<TcpLink>(&item.link)) {
    Require(!tcp->host.empty() && tcp->port != 0);
  } else {
    const std::string& device = std::get<RtuLink>(item.link).device;
    Require(!device.empty());
    for (char byte : device) Require(static_cast<unsigned char>(byte) >= 0x20 && byte != 0x7F);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const auto parsed = ParseModbusAddress(text);
  if (const auto* error = std::get_if<Status>(&parsed)) {
    Require(error->reason().find('\n') == std::string::npos);
    return 0;
  }
  const ItemAddress& item = std::get<ItemAddress>(parsed);
  Require(rozovevi::ioserver::StartsWithIgnoringCase(text, "modbus:"));
  CheckBounds(item);
  const std::string canonical = Canonical(item);
  const auto again = ParseModbusAddress(std::string_view(canonical));
  Require(std::holds_alternative<ItemAddress>(again));
  Require(Same(item, std::get<ItemAddress>(again)));
  if (const std::optional<std::u16string> wide = DecodeUtf8(text)) {
    const auto from_wide = ParseModbusAddress(std::u16string_view(*wide));
    Require(std::holds_alternative<ItemAddress>(from_wide));
    Require(Same(item, std::get<ItemAddress>(from_wide)));
  }
  return 0;
}
