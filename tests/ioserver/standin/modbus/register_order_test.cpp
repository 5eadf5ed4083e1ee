// The four byte orders, checked against the bytes as they travel for known values.
#include "ioserver/standin/modbus/register_order.h"

#include <gtest/gtest.h>

#include <string>

#include "ioserver/standin/modbus/value_text.h"

namespace rozovevi::ioserver::standin::modbus {
namespace {

// The registers as the bytes on the wire, each register high byte first, in hex.
std::string WireBytes(const Registers& registers, int width) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string text;
  for (int i = 0; i < width; ++i) {
    for (int shift : {12, 8, 4, 0})
      text += kHex[(registers[static_cast<std::size_t>(i)] >> shift) & 0xF];
    if (i + 1 < width) text += ' ';
  }
  return text;
}

struct OrderCase {
  ValueType type;
  const char* value;
  ByteOrder order;
  const char* wire;
};

void PrintTo(const OrderCase& c, std::ostream* os) {
  *os << NameOf(c.type) << " " << c.value << " " << NameOf(c.order);
}

class ByteOrderTest : public ::testing::TestWithParam<OrderCase> {};

TEST_P(ByteOrderTest, SendsTheBytesInTheNamedOrderAndReadsThemBack) {
  const OrderCase& c = GetParam();
  const int width = WidthOf(c.type);
  const RawValue raw = std::get<RawValue>(ParseValueText(c.type, std::string_view(c.value)));
  const Registers registers = ToRegisters(raw, width, c.order);
  EXPECT_EQ(WireBytes(registers, width), c.wire);
  EXPECT_EQ(FromRegisters(registers, width, c.order), raw);
  EXPECT_EQ(FormatValue(c.type, FromRegisters(registers, width, c.order)), c.value);
}

constexpr auto kAbcd = ByteOrder::kAbcd;
constexpr auto kCdab = ByteOrder::kCdab;
constexpr auto kBadc = ByteOrder::kBadc;
constexpr auto kDcba = ByteOrder::kDcba;

INSTANTIATE_TEST_SUITE_P(
    KnownValues, ByteOrderTest,
    ::testing::Values(OrderCase{ValueType::kF32, "1", kAbcd, "3F80 0000"},
                      OrderCase{ValueType::kF32, "1", kCdab, "0000 3F80"},
                      OrderCase{ValueType::kF32, "1", kBadc, "803F 0000"},
                      OrderCase{ValueType::kF32, "1", kDcba, "0000 803F"},
                      OrderCase{ValueType::kF32, "123456", kAbcd, "47F1 2000"},
                      OrderCase{ValueType::kF32, "123456", kCdab, "2000 47F1"},
                      OrderCase{ValueType::kF32, "123456", kBadc, "F147 0020"},
                      OrderCase{ValueType::kF32, "123456", kDcba, "0020 F147"},
                      OrderCase{ValueType::kU32, "305419896", kAbcd, "1234 5678"},  // 0x12345678
                      OrderCase{ValueType::kU32, "305419896", kDcba, "7856 3412"},
                      OrderCase{ValueType::kI32, "-2", kCdab, "FFFE FFFF"},
                      OrderCase{ValueType::kU64, "81985529216486895", kAbcd, "0123 4567 89AB CDEF"},
                      OrderCase{ValueType::kU64, "81985529216486895", kCdab, "CDEF 89AB 4567 0123"},
                      OrderCase{ValueType::kU64, "81985529216486895", kBadc, "2301 6745 AB89 EFCD"},
                      OrderCase{ValueType::kU64, "81985529216486895", kDcba, "EFCD AB89 6745 2301"},
                      OrderCase{ValueType::kF64, "1", kAbcd, "3FF0 0000 0000 0000"},
                      OrderCase{ValueType::kF64, "1", kDcba, "0000 0000 0000 F03F"},
                      OrderCase{ValueType::kI64, "-2", kBadc, "FFFF FFFF FFFF FEFF"},
                      OrderCase{ValueType::kU16, "4660", kAbcd, "1234"},
                      OrderCase{ValueType::kI16, "-2", kAbcd, "FFFE"}));

}  // namespace
}  // namespace rozovevi::ioserver::standin::modbus
