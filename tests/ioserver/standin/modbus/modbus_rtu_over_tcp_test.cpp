// MODBUS:rtuovertcp: addresses: RTU frames on a TCP stream, against libmodbus's own RTU server on
// an accepted socket of 127.0.0.1, and against a scripted device for the faults a real one makes
// only by accident. Every fault must end within its timeout with the connection closed.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "ioserver/standin/modbus/modbus_kind.h"
#include "tests/ioserver/standin/modbus/recording_trace.h"
#include "tests/ioserver/standin/modbus/test_servers.h"

namespace rozovevi::ioserver::standin::modbus {
namespace {

using namespace std::chrono_literals;
using testing_support::Behaviour;
using testing_support::Frames;
using testing_support::RecordingTrace;
using testing_support::ReplyPiece;
using testing_support::ScriptedTcpServer;
using testing_support::TcpTestServer;
using Bytes = std::vector<std::uint8_t>;

constexpr int kUnit = 7;

std::u16string Address(std::uint16_t port, const std::string& item, int unit = kUnit) {
  const std::string text = "MODBUS:rtuovertcp:127.0.0.1:" + std::to_string(port) + "/" +
                           std::to_string(unit) + "/" + item;
  return std::u16string(text.begin(), text.end());
}

TEST(ModbusRtuOverTcpTest, ReadsAndWritesThroughAnRtuServerOnATcpSocket) {
  TcpTestServer server(kUnit, false, Frames::kRtu);
  server.SetHolding(3, {0x47F1, 0x2000});
  RecordingTrace trace;
  ModbusKind kind(KindContext{&trace});
  std::u16string value;
  ASSERT_TRUE(kind.Read(Address(server.port(), "hr/3:f32"), value).ok());
  EXPECT_EQ(value, u"123456");
  // The whole RTU frame went out, unit first and CRC last, and is what the trace shows.
  EXPECT_EQ(server.Requests().back(), (Bytes{kUnit, 3, 0, 3, 0, 2, 0x34, 0x6D}));
  EXPECT_EQ(trace.Frames(FrameDirection::kSent), server.Requests());
  ASSERT_EQ(trace.Frames(FrameDirection::kReceived).size(), 1u);
  EXPECT_EQ(trace.Frames(FrameDirection::kReceived)[0].size(), 9u);  // Unit, 3, 4, data, CRC.

  ASSERT_TRUE(kind.Write(Address(server.port(), "hr/10:i32:cdab"), u"-2").ok());
  EXPECT_EQ(server.Holding(10, 2), (std::vector<std::uint16_t>{0xFFFE, 0xFFFF}));
  ASSERT_TRUE(kind.Write(Address(server.port(), "co/4"), u"on").ok());
  EXPECT_TRUE(server.Coil(4));
  EXPECT_TRUE(server.AllClosedWithin(1s));
}

TEST(ModbusRtuOverTcpTest, ExceptionsAndABadCrcFromTheServerAreNamed) {
  TcpTestServer server(kUnit, false, Frames::kRtu);
  ModbusKind kind;
  std::u16string value;
  server.Answer(Behaviour::kException, 2);
  const Status exception = kind.Read(Address(server.port(), "hr/5"), value);
  EXPECT_NE(exception.reason().find("illegal data address (Modbus exception 2)"), std::string::npos)
      << exception.reason();
  server.Answer(Behaviour::kBadCrc);
  const Status crc = kind.Read(Address(server.port(), "hr/5"), value);
  EXPECT_NE(crc.reason().find("bad CRC"), std::string::npos) << crc.reason();
  EXPECT_NE(crc.reason().find("rtuovertcp:127.0.0.1:"), std::string::npos) << crc.reason();
  EXPECT_TRUE(server.AllClosedWithin(1s));
}

// What the scripted device answers a read of hr/3 from unit 7 with, in pieces.
struct FaultCase {
  const char* name;
  std::vector<ReplyPiece> script;
  bool hold_open;
  const char* reason_part;  // Empty: the read succeeds with 5.
  const char* event;        // The trace's line for the fault; empty for none.
};

void PrintTo(const FaultCase& c, std::ostream* os) { *os << c.name; }

const Bytes kReply = {kUnit, 3, 2, 0, 5, 0xF0, 0x47};  // hr/3 holds 5.

class ModbusRtuOverTcpFaultTest : public ::testing::TestWithParam<FaultCase> {};

TEST_P(ModbusRtuOverTcpFaultTest, EndsWithinItsTimeoutWithTheConnectionClosed) {
  const FaultCase& c = GetParam();
  ScriptedTcpServer server(c.script, c.hold_open);
  RecordingTrace trace;
  ModbusKind kind(KindContext{&trace});
  std::u16string value;
  const auto start = std::chrono::steady_clock::now();
  const Status read = kind.Read(Address(server.port(), "hr/3?timeout=0.4"), value);
  const auto took = std::chrono::steady_clock::now() - start;
  // A reply must come whole within the timeout; the silent device waits it out once.
  EXPECT_LT(took, 1200ms);
  if (*c.reason_part == '\0') {
    EXPECT_TRUE(read.ok()) << read.reason();
    EXPECT_EQ(value, u"5");
  } else {
    EXPECT_FALSE(read.ok());
    EXPECT_FALSE(read.lasting());
    EXPECT_NE(read.reason().find(c.reason_part), std::string::npos) << read.reason();
  }
  ASSERT_EQ(server.Requests().size(), 1u);
  EXPECT_EQ(server.Requests()[0], (Bytes{kUnit, 3, 0, 3, 0, 1, 0x74, 0x6C}));
  EXPECT_EQ(trace.Frames(FrameDirection::kSent), server.Requests());
  if (*c.event != '\0') {
    EXPECT_EQ(trace.Events(), std::vector<std::string>{c.event});
  } else {
    EXPECT_TRUE(trace.Events().empty());
  }
  EXPECT_TRUE(server.AllClosedWithin(1s));
}

Bytes Cut(const Bytes& bytes, std::size_t from, std::size_t to) {
  return Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(from),
               bytes.begin() + static_cast<std::ptrdiff_t>(to));
}

INSTANTIATE_TEST_SUITE_P(
    Faults, ModbusRtuOverTcpFaultTest,
    ::testing::Values(
        FaultCase{"Silent", {}, true, "timed out after 0.4 s", "timed out after 0.4 s"},
        FaultCase{"BadCrc", {{{kUnit, 3, 2, 0, 5, 0xF0, 0x48}}}, true, "bad CRC", "bad CRC"},
        FaultCase{"WrongUnit", {{{8, 3, 2, 0, 5, 0xA4, 0x46}}}, true, "not a valid answer", ""},
        FaultCase{"SplitWithPauses",
                  {{Cut(kReply, 0, 1)}, {Cut(kReply, 1, 4), 150ms}, {Cut(kReply, 4, 7), 150ms}},
                  true,
                  "",
                  ""},
        FaultCase{"TrickledPastTheTimeout",
                  {{Cut(kReply, 0, 1)},
                   {Cut(kReply, 1, 2), 100ms},
                   {Cut(kReply, 2, 3), 100ms},
                   {Cut(kReply, 3, 4), 100ms},
                   {Cut(kReply, 4, 5), 100ms},
                   {Cut(kReply, 5, 6), 100ms},
                   {Cut(kReply, 6, 7), 100ms}},
                  true,
                  "timed out after 0.4 s",
                  "timed out after 0.4 s"},
        FaultCase{"BytesAfterTheReplyIgnored", {{kReply}, {{1, 2, 3}}}, true, "", ""},
        FaultCase{"GarbageBeforeTheReply",
                  {{Bytes{0xAA, 0x55, 0x00}}, {kReply}},
                  true,
                  "the reply of unit 7",
                  "bad CRC"},
        FaultCase{"ClosedMidReply",
                  {{Cut(kReply, 0, 4)}},
                  false,
                  "the device closed it",
                  "connection closed"}),
    [](const ::testing::TestParamInfo<FaultCase>& info) { return std::string(info.param.name); });

TEST(ModbusRtuOverTcpTest, UnitsAreThoseOfASerialBus) {
  ModbusKind kind;
  std::u16string value;
  for (const char* unit : {"0", "248", "255"}) {
    const Status read =
        kind.Read(std::u16string(u"MODBUS:rtuovertcp:127.0.0.1/") +
                      std::u16string(unit, unit + std::char_traits<char>::length(unit)) + u"/hr/0",
                  value);
    EXPECT_TRUE(read.lasting()) << unit;
    EXPECT_NE(read.reason().find("is not 1-247"), std::string::npos) << read.reason();
  }
}

}  // namespace
}  // namespace rozovevi::ioserver::standin::modbus
