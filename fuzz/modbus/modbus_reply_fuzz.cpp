// Any register contents a device may reply with, for a type and byte order picked by the first
// byte: assembled into a value, printed, parsed back and sent again, the registers come out as
// they went in (a NaN as the quiet NaN). The reason for any error number stays one line.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fuzz/fuzz_check.h"
#include "ioserver/standin/modbus/modbus_reasons.h"
#include "ioserver/standin/modbus/register_order.h"
#include "ioserver/standin/modbus/value_text.h"

namespace {

using rozovevi::fuzz::Require;

using namespace rozovevi::ioserver::standin::modbus;

constexpr ValueType kTypes[] = {ValueType::kBool, ValueType::kU16, ValueType::kI16,
                                ValueType::kU32,  ValueType::kI32, ValueType::kF32,
                                ValueType::kU64,  ValueType::kI64, ValueType::kF64};
constexpr ByteOrder kOrders[] = {ByteOrder::kAbcd, ByteOrder::kCdab, ByteOrder::kBadc,
                                 ByteOrder::kDcba};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1 + 2 * kMostRegisters + sizeof(std::int32_t)) return 0;
  const ValueType type = kTypes[(data[0] & 0x0F) % std::size(kTypes)];
  const int width = WidthOf(type);
  const ByteOrder order = width > 1 ? kOrders[data[0] >> 6] : ByteOrder::kAbcd;
  // The registers as they came over the wire, each high byte first.
  Registers registers{};
  for (int i = 0; i < width; ++i) {
    registers[static_cast<std::size_t>(i)] =
        static_cast<std::uint16_t>((data[1 + 2 * i] << 8) | data[2 + 2 * i]);
  }
  if (type == ValueType::kBool) registers[0] &= 1;  // A bit is 0 or 1.

  const RawValue raw = FromRegisters(registers, width, order);
  Require(ToRegisters(raw, width, order) == registers);
  const std::string text = FormatValue(type, raw);
  const auto parsed = ParseValueText(type, std::string_view(text));
  Require(std::holds_alternative<RawValue>(parsed));
  const Registers sent = ToRegisters(std::get<RawValue>(parsed), width, order);
  if (text != "nan") Require(sent == registers);

  ItemAddress item;
  item.type = type;
  item.order = order;
  item.offset = static_cast<std::uint16_t>(registers[0]);
  if (item.offset + width - 1 > 65535) item.offset = 0;
  std::int32_t error = 0;
  std::memcpy(&error, data + 1 + 2 * kMostRegisters, sizeof error);
  const std::string reason = RequestReason(item, error);
  Require(!reason.empty() && reason.find('\n') == std::string::npos);
  return 0;
}
