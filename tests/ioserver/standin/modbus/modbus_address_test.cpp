// The MODBUS: address syntax: what each accepted form means, and that everything else is refused
// with a reason naming the part at fault.
#include "ioserver/standin/modbus/modbus_address.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace rozovevi::ioserver::standin::modbus {
namespace {

using namespace std::chrono_literals;

// An accepted address, described by what a reason would name it as and by its parts.
struct AcceptedCase {
  const char* address;
  const char* link;  // DescribeLink of the parsed link.
  int unit;
  Table table;
  std::uint16_t offset;
  ValueType type;
  ByteOrder order;
  std::chrono::microseconds timeout;
  bool fc16;
};

void PrintTo(const AcceptedCase& c, std::ostream* os) { *os << c.address; }

class AcceptedAddressTest : public ::testing::TestWithParam<AcceptedCase> {};

TEST_P(AcceptedAddressTest, MeansWhatItSays) {
  const AcceptedCase& c = GetParam();
  const auto parsed = ParseModbusAddress(std::string_view(c.address));
  ASSERT_TRUE(std::holds_alternative<ItemAddress>(parsed)) << std::get<Status>(parsed).reason();
  const ItemAddress& item = std::get<ItemAddress>(parsed);
  EXPECT_EQ(DescribeLink(item.link), c.link);
  EXPECT_EQ(item.unit, c.unit);
  EXPECT_EQ(item.table, c.table);
  EXPECT_EQ(item.offset, c.offset);
  EXPECT_EQ(item.type, c.type);
  EXPECT_EQ(item.order, c.order);
  EXPECT_EQ(item.timeout, c.timeout);
  EXPECT_EQ(item.single_register_with_fc16, c.fc16);
}

constexpr auto kHr = Table::kHoldingRegisters;
constexpr auto kAbcd = ByteOrder::kAbcd;

INSTANTIATE_TEST_SUITE_P(
    Forms, AcceptedAddressTest,
    ::testing::Values(
        // Defaults: port 502, u16 for registers, bool for bits, 19200 8E1, 1 s.
        AcceptedCase{"MODBUS:tcp:plc1/1/hr/0", "tcp:plc1:502", 1, kHr, 0, ValueType::kU16, kAbcd,
                     1s, false},
        AcceptedCase{"modbus:TCP:10.0.0.5:1502/0/HOLDING/0x10", "tcp:10.0.0.5:1502", 0, kHr, 16,
                     ValueType::kU16, kAbcd, 1s, false},
        AcceptedCase{"Modbus:tcp:[::1]:1502/255/ir/65535", "tcp:[::1]:1502", 255,
                     Table::kInputRegisters, 65535, ValueType::kU16, kAbcd, 1s, false},
        AcceptedCase{"MODBUS:tcp:[::ffff:10.0.0.1]/1/hr/0", "tcp:[::ffff:10.0.0.1]:502", 1, kHr, 0,
                     ValueType::kU16, kAbcd, 1s, false},
        AcceptedCase{"MODBUS:tcp:[fe80::1%eth0]/247/input/7:I16", "tcp:[fe80::1%eth0]:502", 247,
                     Table::kInputRegisters, 7, ValueType::kI16, kAbcd, 1s, false},
        AcceptedCase{"MODBUS:tcp:Host-A.example_b:65535/3/co/0", "tcp:Host-A.example_b:65535", 3,
                     Table::kCoils, 0, ValueType::kBool, kAbcd, 1s, false},
        AcceptedCase{"MODBUS:tcp:h/3/Coil/1:BOOL", "tcp:h:502", 3, Table::kCoils, 1,
                     ValueType::kBool, kAbcd, 1s, false},
        AcceptedCase{"MODBUS:tcp:h/3/di/0xffff", "tcp:h:502", 3, Table::kDiscreteInputs, 65535,
                     ValueType::kBool, kAbcd, 1s, false},
        AcceptedCase{"MODBUS:tcp:h/3/Discrete/0X0A", "tcp:h:502", 3, Table::kDiscreteInputs, 10,
                     ValueType::kBool, kAbcd, 1s, false},
        // Types and orders.
        AcceptedCase{"MODBUS:tcp:h/1/hr/100:f32", "tcp:h:502", 1, kHr, 100, ValueType::kF32, kAbcd,
                     1s, false},
        AcceptedCase{"MODBUS:tcp:h/1/hr/100:U32:CDAB", "tcp:h:502", 1, kHr, 100, ValueType::kU32,
                     ByteOrder::kCdab, 1s, false},
        AcceptedCase{"MODBUS:tcp:h/1/hr/100:i32:badc", "tcp:h:502", 1, kHr, 100, ValueType::kI32,
                     ByteOrder::kBadc, 1s, false},
        AcceptedCase{"MODBUS:tcp:h/1/hr/65532:f64:dcba", "tcp:h:502", 1, kHr, 65532,
                     ValueType::kF64, ByteOrder::kDcba, 1s, false},
        AcceptedCase{"MODBUS:tcp:h/1/hr/65534:i32", "tcp:h:502", 1, kHr, 65534, ValueType::kI32,
                     kAbcd, 1s, false},
        AcceptedCase{"MODBUS:tcp:h/1/ir/0:u64", "tcp:h:502", 1, Table::kInputRegisters, 0,
                     ValueType::kU64, kAbcd, 1s, false},
        AcceptedCase{"MODBUS:tcp:h/1/hr/0:i64:cdab", "tcp:h:502", 1, kHr, 0, ValueType::kI64,
                     ByteOrder::kCdab, 1s, false},
        // Options.
        AcceptedCase{"MODBUS:tcp:h/1/hr/0?timeout=0.1", "tcp:h:502", 1, kHr, 0, ValueType::kU16,
                     kAbcd, 100ms, false},
        AcceptedCase{"MODBUS:tcp:h/1/hr/0?TIMEOUT=60&fc=16", "tcp:h:502", 1, kHr, 0,
                     ValueType::kU16, kAbcd, 60s, true},
        AcceptedCase{"MODBUS:tcp:h/1/hr/0:i16?FC=16&timeout=2.5", "tcp:h:502", 1, kHr, 0,
                     ValueType::kI16, kAbcd, 2500ms, true},
        AcceptedCase{"MODBUS:tcp:h/1/hr/0?timeout=1.0000000", "tcp:h:502", 1, kHr, 0,
                     ValueType::kU16, kAbcd, 1s, false},
        // Serial links: the device path keeps its case, '/' and ':'.
        AcceptedCase{"MODBUS:rtu:/dev/ttyUSB0/1/hr/0", "rtu:/dev/ttyUSB0@19200,8E1", 1, kHr, 0,
                     ValueType::kU16, kAbcd, 1s, false},
        AcceptedCase{"MODBUS:RTU:/dev/ttyUSB0@9600,8n1/247/hr/0", "rtu:/dev/ttyUSB0@9600,8N1", 247,
                     kHr, 0, ValueType::kU16, kAbcd, 1s, false},
        AcceptedCase{"MODBUS:rtu:/dev/serial/by-path/pci-0:1.0-port0@115200,7O2/5/co/3",
                     "rtu:/dev/serial/by-path/pci-0:1.0-port0@115200,7O2", 5, Table::kCoils, 3,
                     ValueType::kBool, kAbcd, 1s, false},
        AcceptedCase{"MODBUS:rtu:/dev/x@y@1200/1/hr/0", "rtu:/dev/x@y@1200,8E1", 1, kHr, 0,
                     ValueType::kU16, kAbcd, 1s, false},
        AcceptedCase{"MODBUS:rtu:/dev/odd?name/1/hr/0?timeout=3", "rtu:/dev/odd?name@19200,8E1", 1,
                     kHr, 0, ValueType::kU16, kAbcd, 3s, false}),
    [](const ::testing::TestParamInfo<AcceptedCase>& info) {
      return "Case" + std::to_string(info.index);
    });

struct RefusedCase {
  const char* address;
  const char* reason_part;  // Names the part at fault.
};

void PrintTo(const RefusedCase& c, std::ostream* os) { *os << c.address; }

class RefusedAddressTest : public ::testing::TestWithParam<RefusedCase> {};

TEST_P(RefusedAddressTest, SaysWhichPartIsWrong) {
  const auto parsed = ParseModbusAddress(std::string_view(GetParam().address));
  ASSERT_TRUE(std::holds_alternative<Status>(parsed));
  const std::string& reason = std::get<Status>(parsed).reason();
  EXPECT_EQ(reason.rfind("malformed Modbus address: ", 0), 0u) << reason;
  EXPECT_NE(reason.find(GetParam().reason_part), std::string::npos) << reason;
  EXPECT_EQ(reason.find('\n'), std::string::npos) << reason;
}

INSTANTIATE_TEST_SUITE_P(
    Faults, RefusedAddressTest,
    ::testing::Values(
        RefusedCase{"MODBUS:", "expected"}, RefusedCase{"MODBUS:tcp:h/1/hr", "expected"},
        RefusedCase{"MODBUS:/1/hr/0", "link"}, RefusedCase{"MODBUS:udp:h/1/hr/0", "link"},
        RefusedCase{"MODBUS:tcp:/1/hr/0", "no host"},
        RefusedCase{"MODBUS:rtuovertcp::502/1/hr/0", "the rtuovertcp: link has no host"},
        RefusedCase{"MODBUS:rtuovertcp:h/0/hr/0", "is not 1-247"},
        RefusedCase{"MODBUS:tcp:h/1/hr/0.16", "the bit '16' is not 0-15"},
        RefusedCase{"MODBUS:tcp:h/1/hr/0.", "the bit '' is not 0-15"},
        RefusedCase{"MODBUS:tcp:h/1/hr/0.-1", "is not 0-15"},
        RefusedCase{"MODBUS:tcp:h/1/co/0.1", "<offset>.<bit> is for hr and ir"},
        RefusedCase{"MODBUS:tcp:h/1/hr/0.1:u16", "a bit of a register is bool only"},
        RefusedCase{"MODBUS:tcp:h/1/hr/0.1:str2", "a bit of a register is bool only"},
        RefusedCase{"MODBUS:tcp:h/1/hr/0.1:bool:abcd", "32- and 64-bit types only"},
        RefusedCase{"MODBUS:tcp:h/1/hr/0.1?fc=16", "one holding register"},
        RefusedCase{"MODBUS:tcp:h/1/hr/0:str0", "the string length '0' is not 1-246"},
        RefusedCase{"MODBUS:tcp:h/1/hr/0:str247", "is not 1-246"},
        RefusedCase{"MODBUS:tcp:h/1/hr/0:str", "the type 'str' is not known"},
        RefusedCase{"MODBUS:tcp:h/1/hr/0:str+4", "the type 'str+4' is not known"},
        RefusedCase{"MODBUS:tcp:h/1/co/0:str4", "hold bool only"},
        RefusedCase{"MODBUS:tcp:h/1/hr/0:str4:cdab", "a string's byte order is abcd or badc"},
        RefusedCase{"MODBUS:tcp:h/1/hr/0:str4:dcba", "a string's byte order is abcd or badc"},
        RefusedCase{"MODBUS:tcp:h/1/hr/0:str4?fc=16", "one holding register"},
        RefusedCase{"MODBUS:tcp:h/1/hr/65533:str7",
                    "a str7 at 65533 would end past register 65535"},
        RefusedCase{"MODBUS:tcp:::1/1/hr/0", "no host"},
        RefusedCase{"MODBUS:tcp:a b/1/hr/0", "host"}, RefusedCase{"MODBUS:tcp:a/b/1/hr/0", "host"},
        RefusedCase{"MODBUS:tcp:[::1/1/hr/0", "closing ]"},
        RefusedCase{"MODBUS:tcp:[]/1/hr/0", "IPv6"},
        RefusedCase{"MODBUS:tcp:[fe80]/1/hr/0", "IPv6"},
        RefusedCase{"MODBUS:tcp:[10.0.0.1]/1/hr/0", "IPv6"},
        RefusedCase{"MODBUS:tcp:[::1%]/1/hr/0", "IPv6"},
        RefusedCase{"MODBUS:tcp:[::g]/1/hr/0", "IPv6"},
        RefusedCase{"MODBUS:tcp:[::1]x/1/hr/0", ":<port>"},
        RefusedCase{"MODBUS:tcp:h:0/1/hr/0", "port"},
        RefusedCase{"MODBUS:tcp:h:65536/1/hr/0", "port"},
        RefusedCase{"MODBUS:tcp:h:/1/hr/0", "port"}, RefusedCase{"MODBUS:tcp:h:-1/1/hr/0", "port"},
        RefusedCase{"MODBUS:tcp:h:1:2/1/hr/0", "port"},
        RefusedCase{"MODBUS:tcp:h/248/hr/0", "unit"}, RefusedCase{"MODBUS:tcp:h/256/hr/0", "unit"},
        RefusedCase{"MODBUS:tcp:h//hr/0", "unit"}, RefusedCase{"MODBUS:tcp:h/0x01/hr/0", "unit"},
        RefusedCase{"MODBUS:rtu:/dev/ttyS0/0/hr/0", "unit"},
        RefusedCase{"MODBUS:rtu:/dev/ttyS0/255/hr/0", "unit"},
        RefusedCase{"MODBUS:rtu:/1/hr/0", "no device"},
        RefusedCase{"MODBUS:rtu:@9600/1/hr/0", "no device"},
        RefusedCase{"MODBUS:rtu:/dev/ttyS0@9601/1/hr/0", "baud"},
        RefusedCase{"MODBUS:rtu:/dev/ttyS0@/1/hr/0", "baud"},
        RefusedCase{"MODBUS:rtu:/dev/ttyS0@9600,/1/hr/0", "frame"},
        RefusedCase{"MODBUS:rtu:/dev/ttyS0@9600,8X1/1/hr/0", "frame"},
        RefusedCase{"MODBUS:rtu:/dev/ttyS0@9600,6N1/1/hr/0", "frame"},
        RefusedCase{"MODBUS:rtu:/dev/ttyS0@9600,8N3/1/hr/0", "frame"},
        RefusedCase{"MODBUS:rtu:/dev/ttyS0@9600,8N1x/1/hr/0", "frame"},
        RefusedCase{"MODBUS:tcp:h/1/hx/0", "table"}, RefusedCase{"MODBUS:tcp:h/1//0", "table"},
        RefusedCase{"MODBUS:tcp:h/1/hr/65536", "offset"},
        RefusedCase{"MODBUS:tcp:h/1/hr/0x10000", "offset"},
        RefusedCase{"MODBUS:tcp:h/1/hr/0x", "offset"},
        RefusedCase{"MODBUS:tcp:h/1/hr/-1", "offset"}, RefusedCase{"MODBUS:tcp:h/1/hr/", "offset"},
        RefusedCase{"MODBUS:tcp:h/1/hr/ 1", "offset"}, RefusedCase{"MODBUS:tcp:h/1/hr/0:", "type"},
        RefusedCase{"MODBUS:tcp:h/1/hr/0:f16", "type"},
        RefusedCase{"MODBUS:tcp:h/1/hr/0:bool", "not bool"},
        RefusedCase{"MODBUS:tcp:h/1/co/0:u16", "bool only"},
        RefusedCase{"MODBUS:tcp:h/1/hr/0:u16:abcd", "32- and 64-bit"},
        RefusedCase{"MODBUS:tcp:h/1/co/0:bool:abcd", "32- and 64-bit"},
        RefusedCase{"MODBUS:tcp:h/1/hr/0:u32:", "byte order"},
        RefusedCase{"MODBUS:tcp:h/1/hr/0:u32:acbd", "byte order"},
        RefusedCase{"MODBUS:tcp:h/1/hr/0:u32:abcd:x", "expected <offset>"},
        // A value of several registers must end at or before 65535.
        RefusedCase{"MODBUS:tcp:h/1/hr/65535:u32", "past register 65535"},
        RefusedCase{"MODBUS:tcp:h/1/ir/65533:f64", "past register 65535"},
        RefusedCase{"MODBUS:tcp:h/1/hr/0?", "nothing follows"},
        RefusedCase{"MODBUS:tcp:h/1/hr/0?&", "empty"},
        RefusedCase{"MODBUS:tcp:h/1/hr/0?timeout=1&", "empty"},
        RefusedCase{"MODBUS:tcp:h/1/hr/0?timeout=0.09", "timeout"},
        RefusedCase{"MODBUS:tcp:h/1/hr/0?timeout=60.0000001", "timeout"},
        RefusedCase{"MODBUS:tcp:h/1/hr/0?timeout=61", "timeout"},
        RefusedCase{"MODBUS:tcp:h/1/hr/0?timeout=1e0", "timeout"},
        RefusedCase{"MODBUS:tcp:h/1/hr/0?timeout=.5", "timeout"},
        RefusedCase{"MODBUS:tcp:h/1/hr/0?timeout=1.", "timeout"},
        RefusedCase{"MODBUS:tcp:h/1/hr/0?timeout=", "timeout"},
        RefusedCase{"MODBUS:tcp:h/1/hr/0?timeout", "option"},
        RefusedCase{"MODBUS:tcp:h/1/hr/0?timeout=1&timeout=2", "repeated"},
        RefusedCase{"MODBUS:tcp:h/1/hr/0?retries=3", "option"},
        RefusedCase{"MODBUS:tcp:h/1/hr/0?fc=6", "fc='6'"},
        RefusedCase{"MODBUS:tcp:h/1/hr/0?fc=", "fc="},
        RefusedCase{"MODBUS:tcp:h/1/hr/0?fc=1\n6", "fc="},
        RefusedCase{"MODBUS:tcp:h/1/hr/0:u32?fc=16", "one holding register"},
        RefusedCase{"MODBUS:tcp:h/1/co/0?fc=16", "one holding register"},
        RefusedCase{"MODBUS:tcp:h/1/ir/0?fc=16", "one holding register"},
        RefusedCase{"DDE:tcp:h/1/hr/0", "MODBUS:"}),
    [](const ::testing::TestParamInfo<RefusedCase>& info) {
      return "Case" + std::to_string(info.index);
    });

TEST(ModbusAddressTest, BitsStringsAndRtuOverTcpMeanWhatTheySay) {
  const struct {
    const char* address;
    const char* link;
    std::optional<int> bit;
    int string_bytes;
    ByteOrder order;
    int registers;
  } cases[] = {
      {"MODBUS:rtuovertcp:gw1/1/hr/3.0", "rtuovertcp:gw1:502", 0, 0, ByteOrder::kAbcd, 1},
      {"MODBUS:RTUoverTCP:[::1]:4001/247/ir/0x10.15:bool", "rtuovertcp:[::1]:4001", 15, 0,
       ByteOrder::kAbcd, 1},
      {"MODBUS:tcp:h/1/hr/10:str16", "tcp:h:502", std::nullopt, 16, ByteOrder::kAbcd, 8},
      {"MODBUS:tcp:h/1/ir/10:STR5:badc", "tcp:h:502", std::nullopt, 5, ByteOrder::kBadc, 3},
      {"MODBUS:tcp:h/1/hr/65413:str246", "tcp:h:502", std::nullopt, 246, ByteOrder::kAbcd, 123},
      {"MODBUS:tcp:h/1/hr/65535.7", "tcp:h:502", 7, 0, ByteOrder::kAbcd, 1},
  };
  for (const auto& c : cases) {
    const auto parsed = ParseModbusAddress(std::string_view(c.address));
    ASSERT_TRUE(std::holds_alternative<ItemAddress>(parsed))
        << c.address << ": " << std::get<Status>(parsed).reason();
    const ItemAddress& item = std::get<ItemAddress>(parsed);
    EXPECT_EQ(DescribeLink(item.link), c.link) << c.address;
    EXPECT_EQ(item.bit, c.bit) << c.address;
    EXPECT_EQ(item.type, c.bit ? ValueType::kBool : ValueType::kString) << c.address;
    EXPECT_EQ(item.string_bytes, c.string_bytes) << c.address;
    EXPECT_EQ(item.order, c.order) << c.address;
    EXPECT_EQ(RegisterCount(item), c.registers) << c.address;
  }
}

TEST(ModbusAddressTest, TextFromTheWindowIsTakenAsUtf8) {
  const auto parsed = ParseModbusAddress(std::u16string_view(u"MODBUS:rtu:/dev/\u00E9/1/hr/0"));
  ASSERT_TRUE(std::holds_alternative<ItemAddress>(parsed));
  EXPECT_EQ(std::get<RtuLink>(std::get<ItemAddress>(parsed).link).device, "/dev/\xC3\xA9");
  const auto lone = ParseModbusAddress(std::u16string_view(u"MODBUS:rtu:/dev/\xD800/1/hr/0"));
  ASSERT_TRUE(std::holds_alternative<Status>(lone));
  const auto nul = ParseModbusAddress(std::u16string_view(u"MODBUS:rtu:/dev/a\0b/1/hr/0", 27));
  ASSERT_TRUE(std::holds_alternative<Status>(nul));
  EXPECT_NE(std::get<Status>(nul).reason().find("control character"), std::string::npos);
  const auto line_end = ParseModbusAddress(std::string_view("MODBUS:rtu:/dev/a\nb/1/hr/0"));
  ASSERT_TRUE(std::holds_alternative<Status>(line_end));
}

TEST(ModbusAddressTest, ReasonsQuoteLongOrControlTextOnOneLine) {
  const std::string address = "MODBUS:tcp:h/1/" + std::string(1000, 'x') + "\n/0";
  const auto parsed = ParseModbusAddress(std::string_view(address));
  ASSERT_TRUE(std::holds_alternative<Status>(parsed));
  const std::string& reason = std::get<Status>(parsed).reason();
  EXPECT_LT(reason.size(), 200u) << reason;
  EXPECT_EQ(reason.find('\n'), std::string::npos) << reason;
}

}  // namespace
}  // namespace rozovevi::ioserver::standin::modbus
