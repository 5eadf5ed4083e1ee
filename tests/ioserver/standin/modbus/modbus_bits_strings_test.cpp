// One bit of a register and strings in registers, over TCP against a libmodbus server on
// 127.0.0.1: which bit is which, that a bit is written with a mask write that leaves the other
// bits alone, and how a string's bytes sit in its registers.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ioserver/standin/modbus/modbus_kind.h"
#include "ioserver/utf8.h"
#include "tests/ioserver/standin/modbus/recording_trace.h"
#include "tests/ioserver/standin/modbus/test_servers.h"

namespace rozovevi::ioserver::standin::modbus {
namespace {

using namespace std::chrono_literals;
using testing_support::Behaviour;
using testing_support::RecordingTrace;
using testing_support::TcpTestServer;
using Bytes = std::vector<std::uint8_t>;
using Words = std::vector<std::uint16_t>;

constexpr int kUnit = 9;
constexpr std::size_t kPduStart = 7;  // After the MBAP header.

class ModbusBitsAndStringsTest : public ::testing::Test {
 protected:
  std::u16string Address(const std::string& item) const {
    return WidenUtf8("MODBUS:tcp:127.0.0.1:" + std::to_string(server_.port()) + "/" +
                     std::to_string(kUnit) + "/" + item);
  }
  std::string Read(const std::string& item) {
    std::u16string value = u"unchanged";
    const Status read = kind_.Read(Address(item), value);
    return read.ok() ? EncodeUtf8Lossy(value) : "FAILED: " + read.reason();
  }
  Status Write(const std::string& item, std::u16string value) {
    return kind_.Write(Address(item), value);
  }
  Bytes LastPdu() const {
    const auto requests = server_.Requests();
    if (requests.empty()) return {};
    return Bytes(requests.back().begin() + kPduStart, requests.back().end());
  }

  TcpTestServer server_{kUnit};
  RecordingTrace trace_;
  ModbusKind kind_{KindContext{&trace_}};
};

TEST_F(ModbusBitsAndStringsTest, BitZeroIsTheLeastSignificant) {
  server_.SetHolding(3, {0x8001});
  server_.SetInput(4, {0x0004});
  const struct {
    const char* item;
    const char* value;
  } cases[] = {{"hr/3.0", "1"}, {"hr/3.1", "0"},  {"hr/3.14", "0"},     {"hr/3.15", "1"},
               {"ir/4.2", "1"}, {"ir/4.13", "0"}, {"hr/3.15:bool", "1"}};
  for (const auto& c : cases) EXPECT_EQ(Read(c.item), c.value) << c.item;
  EXPECT_EQ(LastPdu(), (Bytes{3, 0, 3, 0, 1}));  // The one register, read whole.
}

TEST_F(ModbusBitsAndStringsTest, ABitIsWrittenByMaskWriteAloneAndNoOtherBitChanges) {
  server_.SetHolding(5, {0xA5A5});
  const struct {
    const char* item;
    const char16_t* value;
    std::uint16_t after;
    Bytes pdu;  // 22, offset, AND mask, OR mask.
  } cases[] = {{"hr/5.1", u"1", 0xA5A7, {22, 0, 5, 0xFF, 0xFD, 0x00, 0x02}},
               {"hr/5.0", u"off", 0xA5A6, {22, 0, 5, 0xFF, 0xFE, 0x00, 0x00}},
               {"hr/5.15", u"false", 0x25A6, {22, 0, 5, 0x7F, 0xFF, 0x00, 0x00}},
               {"hr/5.6", u"true", 0x25E6, {22, 0, 5, 0xFF, 0xBF, 0x00, 0x40}}};
  for (const auto& c : cases) {
    const std::size_t before = server_.Requests().size();
    ASSERT_TRUE(Write(c.item, c.value).ok()) << c.item;
    EXPECT_EQ(server_.Requests().size(), before + 1) << c.item << ": one request, no read first";
    EXPECT_EQ(LastPdu(), c.pdu) << c.item;
    EXPECT_EQ(server_.Holding(5, 1), Words{c.after}) << c.item;
  }
}

TEST_F(ModbusBitsAndStringsTest, ADeviceWithoutMaskWriteIsSaidToLackIt) {
  server_.Answer(Behaviour::kException, 1);
  const Status write = Write("hr/5.3", u"1");
  EXPECT_FALSE(write.ok());
  EXPECT_NE(write.reason().find("has no mask write (function 22)"), std::string::npos)
      << write.reason();
  // Elsewhere illegal function keeps its usual reason.
  const Status other = Write("hr/5", u"1");
  EXPECT_EQ(other.reason().find("mask write"), std::string::npos) << other.reason();
}

TEST_F(ModbusBitsAndStringsTest, StringsReadInTheirOrderUpToTheFirstNul) {
  server_.SetHolding(10, {0x4865, 0x6C6C, 0x6F21, 0x0000, 0x4142});  // "Hello!" NUL NUL "AB"
  server_.SetHolding(20, {0x6548, 0x6C6C, 0x216F});                  // The same, bytes swapped.
  server_.SetInput(30, {0xC3A9, 0x7400});                            // "\u00e9t"
  server_.SetHolding(40, {0x41FF, 0xFE00});
  EXPECT_EQ(Read("hr/10:str6"), "Hello!");
  EXPECT_EQ(LastPdu(), (Bytes{3, 0, 10, 0, 3}));
  EXPECT_EQ(Read("hr/10:str10"), "Hello!");  // Never the padding, nor what follows it.
  EXPECT_EQ(Read("hr/10:str5"), "Hello");    // Three registers, five bytes of them.
  EXPECT_EQ(LastPdu(), (Bytes{3, 0, 10, 0, 3}));
  EXPECT_EQ(Read("hr/20:str6:badc"), "Hello!");
  EXPECT_EQ(Read("hr/20:str6"), "eHll!o");
  EXPECT_EQ(Read("ir/30:str4"), "\xC3\xA9t");
  const std::string bad = Read("hr/40:str3");
  EXPECT_NE(bad.find("not UTF-8: 41 FF FE"), std::string::npos) << bad;
}

TEST_F(ModbusBitsAndStringsTest, StringsAreWrittenAsTypedAndPaddedInOneRequest) {
  server_.SetHolding(50, {0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF});
  ASSERT_TRUE(Write("hr/50:str5", u" Hi ").ok());
  EXPECT_EQ(LastPdu(), (Bytes{16, 0, 50, 0, 3, 6, ' ', 'H', 'i', ' ', 0, 0}));
  EXPECT_EQ(server_.Holding(50, 4), (Words{0x2048, 0x6920, 0x0000, 0xFFFF}));
  ASSERT_TRUE(Write("hr/50:str2:badc", u"\u00e9").ok());
  EXPECT_EQ(server_.Holding(50, 1), Words{0xA9C3});
  ASSERT_TRUE(Write("hr/50:str1", u"").ok());
  EXPECT_EQ(LastPdu(), (Bytes{16, 0, 50, 0, 1, 2, 0, 0}));

  const std::size_t before = server_.Requests().size();
  const Status longer = Write("hr/50:str2", u"\u00e9t");  // Three bytes of UTF-8.
  EXPECT_FALSE(longer.ok());
  EXPECT_NE(longer.reason().find("nothing was written"), std::string::npos) << longer.reason();
  EXPECT_TRUE(Write("ir/50:str4", u"x").lasting());
  EXPECT_TRUE(Write("ir/50.3", u"1").lasting());
  EXPECT_EQ(server_.Requests().size(), before);
}

TEST_F(ModbusBitsAndStringsTest, TheTraceShowsTheFramesThatWentOverAndNoOthers) {
  server_.SetHolding(2, {42});
  EXPECT_EQ(Read("hr/2"), "42");
  ASSERT_EQ(trace_.calls, 1);
  ASSERT_EQ(trace_.lines.size(), 2u);
  EXPECT_EQ(trace_.Frames(FrameDirection::kSent), server_.Requests());
  const Bytes received = trace_.Frames(FrameDirection::kReceived).at(0);
  const Bytes sent = server_.Requests().at(0);
  // The whole ADU, MBAP header first: the request's transaction, then unit, 3, 2, 42.
  ASSERT_EQ(received.size(), 11u);
  EXPECT_EQ(Bytes(received.begin(), received.begin() + 4), Bytes(sent.begin(), sent.begin() + 4));
  EXPECT_EQ(Bytes(received.begin() + 6, received.end()), (Bytes{kUnit, 3, 2, 0, 42}));

  // A write refused before anything is sent traces nothing.
  EXPECT_FALSE(Write("hr/2", u"70000").ok());
  EXPECT_EQ(trace_.lines.size(), 2u);

  server_.Answer(Behaviour::kNeverAnswer);
  EXPECT_NE(Read("hr/2?timeout=0.2").find("timed out"), std::string::npos);
  EXPECT_EQ(trace_.Frames(FrameDirection::kSent), server_.Requests());
  EXPECT_EQ(trace_.Frames(FrameDirection::kReceived).size(), 1u);
  EXPECT_EQ(trace_.Events(), std::vector<std::string>{"timed out after 0.2 s"});

  // A connection that is refused sends nothing: its reason is the one line.
  RecordingTrace refused;
  ModbusKind kind{KindContext{&refused}};
  std::u16string value;
  const std::string port = std::to_string(testing_support::ClosedPort());
  EXPECT_FALSE(kind.Read(WidenUtf8("MODBUS:tcp:127.0.0.1:" + port + "/1/hr/0"), value).ok());
  ASSERT_EQ(refused.lines.size(), 1u);
  EXPECT_FALSE(refused.lines[0].frame);
  EXPECT_NE(refused.lines[0].event.find("connection refused"), std::string::npos);
}

}  // namespace
}  // namespace rozovevi::ioserver::standin::modbus
