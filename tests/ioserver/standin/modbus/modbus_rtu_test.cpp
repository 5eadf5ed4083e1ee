// MODBUS: addresses over a serial line (RTU) through the stand-in server, against a libmodbus
// server on the other side of a pseudo-terminal pair in this process.
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <sstream>
#include <string>

#include "ioserver/standin/standin_server.h"
#include "ioserver/utf8.h"
#include "tests/ioserver/standin/file_fixtures.h"
#include "tests/ioserver/standin/modbus/test_servers.h"

namespace rozovevi::ioserver::standin::modbus {
namespace {

using namespace std::chrono_literals;
using testing_support::Behaviour;
using testing_support::RtuTestServer;

constexpr int kUnit = 5;

class ModbusRtuTest : public ::testing::Test {
 protected:
  std::u16string Address(const std::string& settings, const std::string& item,
                         int unit = kUnit) const {
    return WidenUtf8("MODBUS:rtu:" + server_.device() + settings + "/" + std::to_string(unit) +
                     "/" + item);
  }
  AutomationValue Read(const std::u16string& address) {
    return standin_.ReadInputFile(AutomationValue::String(address));
  }
  bool Succeeded() { return !ComparesEqualToFalse(standin_.Success()); }
  std::string Reason() const { return standin_.LastFailure().reason(); }

  RtuTestServer server_{kUnit};
  std::ostringstream errors_;
  StandInServer standin_{errors_};
};

TEST_F(ModbusRtuTest, ReadsAndWritesOverTheSerialLine) {
  server_.SetHolding(3, {0x47F1, 0x2000});
  EXPECT_EQ(Read(Address("", "hr/3:f32")), AutomationValue::String(u"123456")) << Reason();
  const auto frame = server_.Requests().back();
  // unit, function 3, offset 3, count 2, then the CRC.
  EXPECT_EQ(std::vector<std::uint8_t>(frame.begin(), frame.end() - 2),
            (std::vector<std::uint8_t>{kUnit, 3, 0, 3, 0, 2}));

  standin_.WriteOutputFile(AutomationValue::String(Address("@9600,8N1", "hr/10:i32:cdab")),
                           AutomationValue::String(u"-2"));
  EXPECT_TRUE(Succeeded()) << Reason();
  EXPECT_EQ(server_.Holding(10, 2), (std::vector<std::uint16_t>{0xFFFE, 0xFFFF}));
  EXPECT_EQ(Read(Address("@9600,8N1", "hr/10:i32:cdab")), AutomationValue::String(u"-2"));
}

// A pseudo-terminal keeps the speed and the stop bits (parity and data bits it may drop), so
// those are what can be seen to reach the line.
TEST_F(ModbusRtuTest, TheLineTakesTheAddressesSpeedAndStopBits) {
  const struct {
    const char* settings;
    unsigned speed;
    bool two_stop_bits;
  } cases[] = {{"", B19200, false},
               {"@9600,8N2", B9600, true},
               {"@115200,7O1", B115200, false},
               {"@1200,8E2", B1200, true}};
  for (const auto& c : cases) {
    Read(Address(c.settings, "hr/0"));
    EXPECT_TRUE(Succeeded()) << c.settings << ": " << Reason();
    EXPECT_EQ(server_.LastLineSettings().speed, c.speed) << c.settings;
    EXPECT_EQ(server_.LastLineSettings().two_stop_bits, c.two_stop_bits) << c.settings;
  }
}

// A late reply to an earlier request, left on the line, is not taken for the answer.
TEST_F(ModbusRtuTest, BytesOnTheLineBeforeTheRequestAreDropped) {
  server_.SetHolding(4, {7});
  server_.SendUnasked({kUnit, 3, 2, 0, 9, 0x00, 0x00});
  EXPECT_EQ(Read(Address("", "hr/4")), AutomationValue::String(u"7")) << Reason();
}

TEST_F(ModbusRtuTest, ABadCrcIsReportedAsSuch) {
  server_.Answer(Behaviour::kBadCrc);
  EXPECT_EQ(Read(Address("", "hr/0?timeout=0.5")), AutomationValue());
  EXPECT_FALSE(Succeeded());
  EXPECT_NE(Reason().find("bad CRC"), std::string::npos) << Reason();
}

TEST_F(ModbusRtuTest, AnotherUnitsSilenceTimesOutWithWhatToCheck) {
  const auto start = std::chrono::steady_clock::now();
  Read(Address("", "hr/0?timeout=0.3", kUnit + 1));
  EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
  EXPECT_FALSE(Succeeded());
  EXPECT_NE(Reason().find("timed out after 0.3 s"), std::string::npos) << Reason();
  EXPECT_NE(Reason().find("the baud rate and the parity"), std::string::npos) << Reason();
}

TEST_F(ModbusRtuTest, ExceptionsComeBackOverTheLineToo) {
  server_.Answer(Behaviour::kException, 2);
  Read(Address("", "co/7"));
  EXPECT_NE(Reason().find("illegal data address (Modbus exception 2): the device has no co/7"),
            std::string::npos)
      << Reason();
}

TEST_F(ModbusRtuTest, ADeviceThatCannotBeOpenedSaysWhy) {
  Read(WidenUtf8("MODBUS:rtu:/dev/rozovevi-no-such-port/1/hr/0"));
  EXPECT_FALSE(Succeeded());
  EXPECT_NE(Reason().find("no such device"), std::string::npos) << Reason();

  // Not a terminal at all.
  Read(WidenUtf8("MODBUS:rtu:/dev/null/1/hr/0"));
  EXPECT_FALSE(Succeeded());
  EXPECT_NE(Reason().find("as a serial port"), std::string::npos) << Reason();
}

TEST_F(ModbusRtuTest, APortClosedToTheUserPointsAtTheDialoutGroup) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to give up";
  ASSERT_EQ(::chmod(server_.device().c_str(), 0600), 0);
  const std::u16string address = Address("", "hr/0");
  EXPECT_TRUE(standin::testing_support::RunInUnprivilegedChild([&address] {
    StandInServer standin;
    standin.Silent(AutomationValue::Boolean(true));
    standin.ReadInputFile(AutomationValue::String(address));
    const std::string reason = standin.LastFailure().reason();
    return reason.find("permission denied") != std::string::npos &&
           reason.find("dialout") != std::string::npos;
  }));
}

}  // namespace
}  // namespace rozovevi::ioserver::standin::modbus
