// MODBUS: addresses over TCP through the stand-in server, against a libmodbus server on
// 127.0.0.1 in this process: the requests on the wire, the values read and written, every kind
// of failure with its reason, and that each call leaves no connection open.
#include <gtest/gtest.h>

#include <chrono>
#include <sstream>
#include <string>
#include <vector>

#include "ioserver/standin/modbus/modbus_kind.h"
#include "ioserver/standin/standin_server.h"
#include "ioserver/utf8.h"
#include "tests/ioserver/standin/modbus/test_servers.h"

namespace rozovevi::ioserver::standin::modbus {
namespace {

using namespace std::chrono_literals;
using testing_support::Behaviour;
using testing_support::TcpTestServer;
using Bytes = std::vector<std::uint8_t>;

constexpr int kUnit = 17;
constexpr std::size_t kPduStart = 7;  // After the MBAP header.

struct CallResult {
  AutomationValue value;
  bool ok;
  std::string reason;
  bool lasting;
};

class ModbusTcpTest : public ::testing::Test {
 protected:
  std::string Link() const { return "MODBUS:tcp:127.0.0.1:" + std::to_string(server_.port()); }
  std::u16string Address(const std::string& item, int unit = kUnit) const {
    return WidenUtf8(Link() + "/" + std::to_string(unit) + "/" + item);
  }

  CallResult Finish(AutomationValue value) {
    const Status failure = standin_.LastFailure();
    return CallResult{std::move(value), !ComparesEqualToFalse(standin_.Success()), failure.reason(),
                      failure.lasting()};
  }
  CallResult Read(const std::u16string& address) {
    return Finish(standin_.ReadInputFile(AutomationValue::String(address)));
  }
  CallResult Write(const std::u16string& address, std::u16string value) {
    standin_.WriteOutputFile(AutomationValue::String(address),
                             AutomationValue::String(std::move(value)));
    return Finish(AutomationValue());
  }
  // The request's PDU: function code onwards.
  Bytes LastPdu() const {
    const auto requests = server_.Requests();
    if (requests.empty()) return {};
    return Bytes(requests.back().begin() + kPduStart, requests.back().end());
  }

  TcpTestServer server_{kUnit};
  std::ostringstream errors_;
  StandInServer standin_{errors_};
};

struct ReadCase {
  const char* item;
  const char* text;
  Bytes pdu;  // The request as sent: function, offset, count.
};

void PrintTo(const ReadCase& c, std::ostream* os) { *os << c.item; }

class ModbusTcpReadTest : public ModbusTcpTest, public ::testing::WithParamInterface<ReadCase> {
 protected:
  void SetUp() override {
    // Neighbours hold other values, so that a read one register off shows.
    server_.SetHolding(9, {0xDEAD, 0x3F80, 0x0000, 0xBEEF});
    server_.SetHolding(20, {0x0001, 0x0002, 0xFFFF});
    server_.SetHolding(30, {0x0123, 0x4567, 0x89AB, 0xCDEF, 0x1111});
    server_.SetHolding(40, {0x47F1, 0x2000});
    server_.SetHolding(50, {0x0000, 0x3F80});
    server_.SetHolding(60, {0x3FF0, 0, 0, 0});
    server_.SetInput(4, {0x0007, 0xFFFE, 0x0009});
    server_.SetCoil(3, true);
    server_.SetDiscrete(5, true);
  }
};

TEST_P(ModbusTcpReadTest, AsksForTheRightItemsAndPrintsTheValue) {
  const CallResult read = Read(Address(GetParam().item));
  ASSERT_TRUE(read.ok) << read.reason;
  EXPECT_EQ(read.value, AutomationValue::String(WidenUtf8(GetParam().text)));
  EXPECT_EQ(LastPdu(), GetParam().pdu);
  EXPECT_EQ(server_.Requests().back()[6], kUnit);
  EXPECT_TRUE(server_.AllClosedWithin(1s));
}

INSTANTIATE_TEST_SUITE_P(
    Items, ModbusTcpReadTest,
    ::testing::Values(
        ReadCase{"hr/10:f32", "1", {3, 0, 10, 0, 2}},
        ReadCase{"hr/40:f32:abcd", "123456", {3, 0, 40, 0, 2}},
        ReadCase{"holding/50:f32:cdab", "1", {3, 0, 50, 0, 2}},
        ReadCase{"hr/10", "16256", {3, 0, 10, 0, 1}},
        ReadCase{"hr/0xA:i16", "16256", {3, 0, 10, 0, 1}},
        ReadCase{"hr/20:u32", "65538", {3, 0, 20, 0, 2}},
        ReadCase{"hr/21:i32:cdab", "-65534", {3, 0, 21, 0, 2}},
        ReadCase{"hr/22:i16", "-1", {3, 0, 22, 0, 1}},
        ReadCase{"hr/30:u64", "81985529216486895", {3, 0, 30, 0, 4}},
        ReadCase{"hr/30:u64:dcba", "17279655951921914625", {3, 0, 30, 0, 4}},
        ReadCase{"hr/60:f64", "1", {3, 0, 60, 0, 4}}, ReadCase{"ir/5:i16", "-2", {4, 0, 5, 0, 1}},
        ReadCase{"input/4", "7", {4, 0, 4, 0, 1}}, ReadCase{"co/3", "1", {1, 0, 3, 0, 1}},
        ReadCase{"coil/4", "0", {1, 0, 4, 0, 1}}, ReadCase{"di/5:bool", "1", {2, 0, 5, 0, 1}},
        ReadCase{"discrete/6", "0", {2, 0, 6, 0, 1}}));

struct WriteCase {
  const char* item;
  const char* value;
  Bytes pdu;  // The request as sent.
};

void PrintTo(const WriteCase& c, std::ostream* os) { *os << c.item << " " << c.value; }

class ModbusTcpWriteTest : public ModbusTcpTest, public ::testing::WithParamInterface<WriteCase> {};

TEST_P(ModbusTcpWriteTest, SendsTheValuesBytesWithTheRightFunction) {
  const CallResult written = Write(Address(GetParam().item), WidenUtf8(GetParam().value));
  ASSERT_TRUE(written.ok) << written.reason;
  EXPECT_EQ(LastPdu(), GetParam().pdu);
  EXPECT_TRUE(server_.AllClosedWithin(1s));
}

INSTANTIATE_TEST_SUITE_P(
    Items, ModbusTcpWriteTest,
    ::testing::Values(
        WriteCase{"hr/12:f32", "1.0", {16, 0, 12, 0, 2, 4, 0x3F, 0x80, 0x00, 0x00}},
        WriteCase{"hr/12:f32", "123456\n", {16, 0, 12, 0, 2, 4, 0x47, 0xF1, 0x20, 0x00}},
        WriteCase{"hr/12:f32:cdab", "123456", {16, 0, 12, 0, 2, 4, 0x20, 0x00, 0x47, 0xF1}},
        WriteCase{"hr/12:f32:badc", "123456", {16, 0, 12, 0, 2, 4, 0xF1, 0x47, 0x00, 0x20}},
        WriteCase{"hr/12:f32:dcba", "123456", {16, 0, 12, 0, 2, 4, 0x00, 0x20, 0xF1, 0x47}},
        WriteCase{"hr/12:f32", "nan", {16, 0, 12, 0, 2, 4, 0x7F, 0xC0, 0x00, 0x00}},
        WriteCase{"hr/0x63", "0xBEEF", {6, 0, 99, 0xBE, 0xEF}},
        WriteCase{"hr/7:i16", "-2", {6, 0, 7, 0xFF, 0xFE}},
        WriteCase{"hr/7:i16?fc=16", "-2", {16, 0, 7, 0, 1, 2, 0xFF, 0xFE}},
        WriteCase{"hr/1:u64", "1", {16, 0, 1, 0, 4, 8, 0, 0, 0, 0, 0, 0, 0, 1}},
        WriteCase{"hr/1:f64:cdab", "1", {16, 0, 1, 0, 4, 8, 0, 0, 0, 0, 0, 0, 0x3F, 0xF0}},
        WriteCase{"co/2", "on", {5, 0, 2, 0xFF, 0x00}},
        WriteCase{"coil/2", "FALSE", {5, 0, 2, 0x00, 0x00}}));

// The kind claims its addresses by prefix, in any ASCII case and nothing looser.
TEST(ModbusKindTest, ClaimsAddressesByItsPrefixInAnyCaseOnly) {
  const ModbusKind kind;
  EXPECT_TRUE(Claims(kind, u"mOdBuS:anything"));
  EXPECT_TRUE(Claims(kind, u"MODBUS:"));
  EXPECT_FALSE(Claims(kind, u" MODBUS:tcp:h/1/hr/0"));
  EXPECT_FALSE(Claims(kind, u"MODBUS"));
  // U+017F LATIN SMALL LETTER LONG S folds to 's' in Unicode, never here.
  EXPECT_FALSE(Claims(kind, u"MODBU\u017F:x"));
}

TEST_F(ModbusTcpTest, WrittenValueReadsBack) {
  ASSERT_TRUE(Write(Address("hr/70:f64:badc"), u"-0.1").ok);
  EXPECT_EQ(Read(Address("hr/70:f64:badc")).value, AutomationValue::String(u"-0.1"));
  ASSERT_TRUE(Write(Address("co/9"), u"1").ok);
  EXPECT_TRUE(server_.Coil(9));
  EXPECT_EQ(server_.Holding(69, 1), std::vector<std::uint16_t>{0});  // Nothing before it.
}

// A value that cannot be written as given never reaches the device: no connection is made.
TEST_F(ModbusTcpTest, RefusedValuesAndReadOnlyTablesSendNothing) {
  const std::vector<std::pair<std::string, std::u16string>> refused = {
      {"hr/1", u"65536"},          {"hr/1:i16", u"-32769"}, {"hr/1", u"-1"}, {"hr/1:f32", u"1e39"},
      {"hr/1:f32", u"1,5"},        {"hr/1", u"12abc"},      {"hr/1", u""},   {"co/1", u"2"},
      {"hr/1:u32", u"4294967296"}, {"di/1", u"1"},          {"ir/1", u"1"},  {"hr/1", u"\u0661"}};
  for (const auto& [item, value] : refused) {
    const CallResult written = Write(Address(item), value);
    EXPECT_FALSE(written.ok) << item;
    EXPECT_NE(written.reason.find("nothing was written"), std::string::npos) << written.reason;
  }
  EXPECT_EQ(server_.accepted(), 0);
  EXPECT_EQ(server_.Holding(1, 2), (std::vector<std::uint16_t>{0, 0}));
}

TEST_F(ModbusTcpTest, MalformedAddressesFailForGoodWithoutConnecting) {
  for (const std::string item : {"hr/1?", "hr/1:bool", "xx/1", "hr/1?timeout=100"}) {
    const CallResult read = Read(Address(item));
    EXPECT_FALSE(read.ok);
    EXPECT_TRUE(read.lasting) << item;
    EXPECT_EQ(read.reason.rfind("malformed Modbus address", 0), 0u) << read.reason;
    EXPECT_EQ(read.value, AutomationValue());
    EXPECT_FALSE(Write(Address(item), u"1").ok);
  }
  // However malformed, a MODBUS: address is never taken for a file name.
  EXPECT_FALSE(Read(u"MODBUS:").ok);
  EXPECT_EQ(server_.accepted(), 0);
}

struct ExceptionCase {
  int code;
  const char* reason_part;
};

class ModbusTcpExceptionTest : public ModbusTcpTest,
                               public ::testing::WithParamInterface<ExceptionCase> {};

TEST_P(ModbusTcpExceptionTest, IsNamedWithItsNumber) {
  server_.Answer(Behaviour::kException, GetParam().code);
  for (const CallResult& result : {Read(Address("hr/5")), Write(Address("hr/5"), u"1")}) {
    EXPECT_FALSE(result.ok);
    EXPECT_FALSE(result.lasting);
    EXPECT_NE(result.reason.find(GetParam().reason_part), std::string::npos) << result.reason;
    EXPECT_NE(result.reason.find("exception " + std::to_string(GetParam().code)), std::string::npos)
        << result.reason;
  }
  EXPECT_TRUE(server_.AllClosedWithin(1s));
}

INSTANTIATE_TEST_SUITE_P(Codes, ModbusTcpExceptionTest,
                         ::testing::Values(ExceptionCase{1, "illegal function"},
                                           ExceptionCase{2, "illegal data address"},
                                           ExceptionCase{3, "illegal data value"},
                                           ExceptionCase{4, "device failure"},
                                           ExceptionCase{6, "device busy"},
                                           ExceptionCase{11, "gateway target did not respond"}));

TEST_F(ModbusTcpTest, AnItemTheDeviceLacksIsNamedWithAHintAboutZeroBasedOffsets) {
  const CallResult read = Read(Address("hr/99:u32"));  // The server holds hr/0-99.
  EXPECT_FALSE(read.ok);
  EXPECT_NE(read.reason.find("illegal data address (Modbus exception 2): the device has no "
                             "hr/99-100"),
            std::string::npos)
      << read.reason;
  EXPECT_NE(read.reason.find("40001 is hr/0"), std::string::npos) << read.reason;
  EXPECT_TRUE(Read(Address("hr/98:u32")).ok);
}

TEST_F(ModbusTcpTest, TheUnitTravelsAndAWrongOneIsReported) {
  const CallResult read = Read(Address("hr/5", 3));
  EXPECT_FALSE(read.ok);
  EXPECT_NE(read.reason.find("wrong unit"), std::string::npos) << read.reason;
  EXPECT_EQ(server_.Requests().back()[6], 3);
  for (int unit : {0, 255}) {
    Read(Address("hr/5", unit));
    EXPECT_EQ(server_.Requests().back()[6], unit);
  }
}

// The MBAP header is checked as the CRC of a serial frame would be: another transaction, another
// protocol or a length that disagrees with the PDU is no answer.
TEST(ModbusTcpHeaderTest, OnlyAReplyToThisVeryRequestIsTaken) {
  const struct {
    Bytes reply;
    bool taken;
  } cases[] = {
      {{0, 1, 0, 0, 0, 5, kUnit, 3, 2, 0, 5}, true},
      {{0, 2, 0, 0, 0, 5, kUnit, 3, 2, 0, 5}, false},     // Another transaction.
      {{0, 1, 0, 1, 0, 5, kUnit, 3, 2, 0, 5}, false},     // Another protocol.
      {{0, 1, 0, 0, 0, 6, kUnit, 3, 2, 0, 5, 0}, false},  // Longer than its byte count says.
      {{0, 1, 0, 0, 0, 0}, false},
  };
  for (const auto& c : cases) {
    testing_support::ScriptedTcpServer server({{c.reply}}, false);
    ModbusKind kind;
    std::u16string value;
    const Status read = kind.Read(
        WidenUtf8("MODBUS:tcp:127.0.0.1:" + std::to_string(server.port()) + "/17/hr/3?timeout=0.3"),
        value);
    EXPECT_EQ(read.ok(), c.taken) << read.reason();
    if (c.taken) {
      EXPECT_EQ(value, u"5");
    }
    EXPECT_TRUE(server.AllClosedWithin(1s));
  }
}

TEST_F(ModbusTcpTest, AServerThatNeverAnswersTimesOutInTimeAndIsLetGo) {
  server_.Answer(Behaviour::kNeverAnswer);
  for (const char* timeout : {"0.2", "0.5"}) {
    const auto start = std::chrono::steady_clock::now();
    const CallResult read = Read(Address(std::string("hr/5?timeout=") + timeout));
    const auto took = std::chrono::steady_clock::now() - start;
    const auto asked = std::chrono::duration<double>(std::stod(timeout));
    EXPECT_FALSE(read.ok);
    EXPECT_NE(read.reason.find("timed out after " + std::string(timeout) + " s"), std::string::npos)
        << read.reason;
    EXPECT_NE(read.reason.find("check the unit id"), std::string::npos) << read.reason;
    EXPECT_GE(took, asked * 0.9);
    EXPECT_LT(took, asked + 600ms);  // Well short of the default 1 s for 0.2.
  }
  EXPECT_TRUE(server_.AllClosedWithin(1s));
}

TEST_F(ModbusTcpTest, AClosedPortIsRefusedAtOnce) {
  const std::uint16_t port = testing_support::ClosedPort();
  const auto start = std::chrono::steady_clock::now();
  const CallResult read =
      Read(WidenUtf8("MODBUS:tcp:127.0.0.1:" + std::to_string(port) + "/1/hr/0"));
  EXPECT_LT(std::chrono::steady_clock::now() - start, 500ms);
  EXPECT_FALSE(read.ok);
  EXPECT_NE(read.reason.find("connection refused"), std::string::npos) << read.reason;
}

TEST_F(ModbusTcpTest, EveryCallClosesItsConnection) {
  Read(Address("hr/1"));
  Write(Address("hr/1"), u"5");
  Read(Address("hr/500"));  // Exception 2.
  server_.Answer(Behaviour::kException, 4);
  Write(Address("co/1"), u"1");
  server_.Answer(Behaviour::kNeverAnswer);
  Read(Address("hr/1?timeout=0.1"));
  EXPECT_EQ(server_.accepted(), 5);
  EXPECT_TRUE(server_.AllClosedWithin(1s)) << server_.closed_by_client() << " closed";
}

// An IPv4 address is connected to as it stands; a name is looked up first. Both reach the same
// server.
TEST_F(ModbusTcpTest, ReachesTheServerByItsAddressAndByAName) {
  server_.SetHolding(2, {42});
  for (const std::string host : {"127.0.0.1", "localhost"}) {
    const CallResult read =
        Read(WidenUtf8("MODBUS:tcp:" + host + ":" + std::to_string(server_.port()) + "/" +
                       std::to_string(kUnit) + "/hr/2"));
    EXPECT_TRUE(read.ok) << host << ": " << read.reason;
    EXPECT_EQ(read.value, AutomationValue::String(u"42")) << host;
  }
}

TEST(ModbusTcpIpv6Test, ReachesTheLoopbackByItsBracketedAddress) {
  std::unique_ptr<TcpTestServer> server;
  try {
    server = std::make_unique<TcpTestServer>(1, true);
  } catch (const std::runtime_error& error) {
    GTEST_SKIP() << "no IPv6 loopback here: " << error.what();
  }
  server->SetHolding(2, {42});
  StandInServer standin;
  const AutomationValue value = standin.ReadInputFile(AutomationValue::String(
      WidenUtf8("MODBUS:tcp:[::1]:" + std::to_string(server->port()) + "/1/hr/2")));
  EXPECT_EQ(value, AutomationValue::String(u"42")) << standin.LastFailure().reason();
}

}  // namespace
}  // namespace rozovevi::ioserver::standin::modbus
