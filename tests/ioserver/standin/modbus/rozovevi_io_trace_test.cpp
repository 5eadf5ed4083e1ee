// rozovevi-io --trace, run as a process against a Modbus server on 127.0.0.1: the frames on its
// standard error are the bytes that went over the wire, and without --trace there are none.
#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "tests/app/console/child_process.h"
#include "tests/ioserver/standin/modbus/test_servers.h"

namespace rozovevi::ioserver::standin::modbus {
namespace {

using testing_support::Behaviour;
using testing_support::TcpTestServer;

constexpr int kUnit = 17;

std::string Hex(const std::vector<std::uint8_t>& bytes) {
  std::string text;
  char digits[4];
  for (std::uint8_t byte : bytes) {
    std::snprintf(digits, sizeof digits, " %02X", byte);
    text += digits;
  }
  return text;
}

// The lines of text after their "<ms> ms " time.
std::vector<std::string> Untimed(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream stream(text);
  for (std::string line; std::getline(stream, line);) {
    const std::size_t ms = line.find(" ms ");
    if (ms != std::string::npos && line.find_first_not_of("0123456789.") == ms) {
      lines.push_back(line.substr(ms + 4));
    }
  }
  return lines;
}

class RozoveviIoTraceTest : public ::testing::Test {
 protected:
  std::string Address(const std::string& item) const {
    return "MODBUS:tcp:127.0.0.1:" + std::to_string(server_.port()) + "/" + std::to_string(kUnit) +
           "/" + item;
  }
  TcpTestServer server_{kUnit};
};

TEST_F(RozoveviIoTraceTest, PrintsEachFrameSentAndReceivedAndNothingWithoutTheOption) {
  server_.SetHolding(2, {42});
  const testing::Finished traced =
      testing::RunWithPipes(ROZOVEVI_IO_EXE, {"--trace", "read", Address("hr/2")});
  EXPECT_EQ(traced.status, 0) << traced.error;
  EXPECT_EQ(traced.output, "42\n");
  ASSERT_EQ(server_.Requests().size(), 1u);
  const std::vector<std::uint8_t> sent = server_.Requests()[0];
  std::vector<std::uint8_t> reply(sent.begin(), sent.begin() + 4);  // Transaction, protocol.
  reply.insert(reply.end(), {0, 5, kUnit, 3, 2, 0, 42});
  EXPECT_EQ(Untimed(traced.error), (std::vector<std::string>{">" + Hex(sent), "<" + Hex(reply)}))
      << traced.error;

  const testing::Finished plain = testing::RunWithPipes(ROZOVEVI_IO_EXE, {"read", Address("hr/2")});
  EXPECT_EQ(plain.status, 0);
  EXPECT_EQ(plain.output, "42\n");
  EXPECT_EQ(plain.error, "");
}

TEST_F(RozoveviIoTraceTest, ATimeoutHasALineOfItsOwnAfterTheRequest) {
  server_.Answer(Behaviour::kNeverAnswer);
  const testing::Finished traced =
      testing::RunWithPipes(ROZOVEVI_IO_EXE, {"--trace", "read", Address("hr/2?timeout=0.2")});
  EXPECT_EQ(traced.status, 1);
  const std::vector<std::string> lines = Untimed(traced.error);
  ASSERT_EQ(lines.size(), 2u) << traced.error;
  EXPECT_EQ(lines[0], ">" + Hex(server_.Requests().at(0)));
  EXPECT_EQ(lines[1], "timed out after 0.2 s");
}

}  // namespace
}  // namespace rozovevi::ioserver::standin::modbus
