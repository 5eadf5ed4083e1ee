// "rozovevi-io watch" and MODBUS: addresses as a script sees them: the built program run as a
// child process against files and against a libmodbus server on 127.0.0.1 in this process.
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "tests/app/console/child_process.h"
#include "tests/ioserver/standin/modbus/test_servers.h"
#include "tests/support/scratch_directory.h"

namespace rozovevi::testing {
namespace {

using namespace std::chrono_literals;
using ioserver::standin::modbus::testing_support::Behaviour;
using ioserver::standin::modbus::testing_support::TcpTestServer;

const std::string kProgram = ROZOVEVI_IO_EXE;

void Store(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

std::vector<std::string> Lines(const std::string& output) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end = output.find('\n'); end != std::string::npos;
       end = output.find('\n', start)) {
    lines.push_back(output.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

// What follows the time on a line.
std::string Reading(const std::string& line) { return line.substr(line.find(' ') + 1); }

class WatchTest : public ::testing::Test {
 protected:
  ScratchDirectory directory{"rozovevi-io-watch-"};
  const std::string file = directory / "value.txt";
};

// Each change is printed once as it is seen; a failure after a failure is no change, whatever
// the reason; a value's line ends are escaped.
TEST_F(WatchTest, PrintsTheFirstReadingAndEachChange) {
  Store(file, "a\r\nb\n");
  const Finished watch =
      RunReacting(kProgram, {"watch", file, "--interval", "0.05", "--count", "3"},
                  [this](const std::string& output, int) {
                    const std::size_t lines = Lines(output).size();
                    if (lines == 1 && ::access(file.c_str(), F_OK) == 0) {
                      ::unlink(file.c_str());
                    } else if (lines == 2 && ::access(file.c_str(), F_OK) != 0) {
                      // Another reason to fail, held for several reads, then a value again.
                      ::mkdir(file.c_str(), 0755);
                      std::this_thread::sleep_for(300ms);
                      ::rmdir(file.c_str());
                      Store(file, "3");
                    }
                  });
  EXPECT_EQ(watch.status, 0) << watch.error;
  const std::vector<std::string> lines = Lines(watch.output);
  ASSERT_EQ(lines.size(), 3u) << watch.output;
  EXPECT_EQ(Reading(lines[0]), "a\\r\\nb");
  EXPECT_EQ(Reading(lines[1]), "FAILED: cannot open the file: No such file or directory");
  EXPECT_EQ(Reading(lines[2]), "3");
  EXPECT_EQ(watch.error, "");
}

TEST_F(WatchTest, LinesBeginWithTheLocalTimeAndItsOffset) {
  Store(file, "1");
  const std::regex seconds(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d[+-]\d\d:\d\d 1)");
  const std::regex milliseconds(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}[+-]\d\d:\d\d 1)");
  Finished whole = RunWithPipes(kProgram, {"watch", "--count=1", file});
  EXPECT_EQ(whole.status, 0);
  EXPECT_TRUE(std::regex_match(whole.output, std::regex(R"(\S+ 1\n)")));
  EXPECT_TRUE(std::regex_match(Lines(whole.output).at(0), seconds)) << whole.output;
  Finished fine = RunWithPipes(kProgram, {"watch", file, "--interval=0.25", "--count", "1"});
  EXPECT_TRUE(std::regex_match(Lines(fine.output).at(0), milliseconds)) << fine.output;
  // The offset is the local zone's.
  Finished east =
      RunWithPipes("/usr/bin/env", {"TZ=UTC-05:30", kProgram, "watch", file, "--count", "1"});
  EXPECT_NE(east.output.find("+05:30 1"), std::string::npos) << east.output;
}

TEST_F(WatchTest, CtrlCAndSigtermStopItWithZeroAfterTheLinesSoFar) {
  Store(file, "7");
  for (int signal_number : {SIGINT, SIGTERM}) {
    const Finished watch =
        RunReacting(kProgram, {"watch", file, "--interval", "30"},
                    [signal_number](const std::string&, int pid) { ::kill(pid, signal_number); });
    EXPECT_EQ(watch.status, 0) << signal_number;
    EXPECT_EQ(Lines(watch.output).size(), 1u);
    EXPECT_EQ(Reading(Lines(watch.output).at(0)), "7");
  }
}

TEST_F(WatchTest, BadIntervalsCountsAndAddressesEndItAtOnce) {
  Store(file, "1");
  for (const std::vector<std::string>& arguments :
       std::vector<std::vector<std::string>>{{"watch", file, "--interval", "0.049"},
                                             {"watch", file, "--interval", "86400.001"},
                                             {"watch", file, "--interval", "1e3"},
                                             {"watch", file, "--interval", "-1"},
                                             {"watch", file, "--interval"},
                                             {"watch", file, "--count", "0"},
                                             {"watch", file, "--count", "2x"},
                                             {"watch", file, "--count=99999999999999999999"},
                                             {"watch", file, "extra"},
                                             {"watch", "-n", file},
                                             {"read", file, "--count", "1"},
                                             {"watch", ""}}) {
    const Finished run = RunWithPipes(kProgram, arguments);
    EXPECT_EQ(run.status, 2) << arguments.back();
    EXPECT_EQ(run.output, "");
  }
  const Finished malformed = RunWithPipes(kProgram, {"watch", "MODBUS:tcp:h/1/hr/0:bool"});
  EXPECT_EQ(malformed.status, 1);
  EXPECT_EQ(malformed.output, "");
  EXPECT_EQ(malformed.error,
            "rozovevi-io: Communication Failed! (malformed Modbus address: registers hold u16, "
            "i16, u32, i32, f32, u64, i64 or f64, not bool)\n");
}

class ModbusConsoleTest : public ::testing::Test {
 protected:
  std::string Address(const std::string& item) const {
    return "MODBUS:tcp:127.0.0.1:" + std::to_string(server.port()) + "/1/" + item;
  }
  TcpTestServer server{1};
};

TEST_F(ModbusConsoleTest, ReadAndWriteGoToTheDevice) {
  server.SetHolding(4, {0x47F1, 0x2000});
  const Finished read = RunWithPipes(kProgram, {"read", Address("hr/4:f32")});
  EXPECT_EQ(read.status, 0) << read.error;
  EXPECT_EQ(read.output, "123456\n");

  const Finished write =
      RunWithPipes(kProgram, {"--yes", "write", Address("hr/4:f32:cdab"), "-"}, "-0.5\n");
  EXPECT_EQ(write.status, 0) << write.error;
  EXPECT_EQ(server.Holding(4, 2), (std::vector<std::uint16_t>{0x0000, 0xBF00}));
  EXPECT_TRUE(server.AllClosedWithin(1s));
}

TEST_F(ModbusConsoleTest, FailuresGiveOneWithTheReasonOnTheSameLine) {
  const Finished missing = RunWithPipes(kProgram, {"read", Address("hr/120")});
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.output, "");
  EXPECT_EQ(missing.error.rfind("rozovevi-io: Communication Failed! (illegal data address "
                                "(Modbus exception 2): the device has no hr/120 (offsets count "
                                "from 0",
                                0),
            0u)
      << missing.error;
  EXPECT_EQ(missing.error.find('\n'), missing.error.size() - 1);

  const Finished refused = RunWithPipes(kProgram, {"--yes", "write", Address("hr/1"), "70000"});
  EXPECT_EQ(refused.status, 1);
  EXPECT_NE(refused.error.find("nothing was written"), std::string::npos) << refused.error;
  EXPECT_EQ(server.accepted(), 1);  // Only the read connected.
}

TEST_F(ModbusConsoleTest, WatchFollowsTheDeviceAndItsSilence) {
  server.SetHolding(0, {1});
  const Finished watch = RunReacting(
      kProgram, {"watch", Address("hr/0?timeout=0.2"), "--interval", "0.05", "--count", "3"},
      [this](const std::string& output, int) {
        const std::size_t lines = Lines(output).size();
        if (lines == 1) server.SetHolding(0, {2});
        if (lines == 2) server.Answer(Behaviour::kNeverAnswer);
      });
  EXPECT_EQ(watch.status, 0) << watch.error;
  const std::vector<std::string> lines = Lines(watch.output);
  ASSERT_EQ(lines.size(), 3u) << watch.output;
  EXPECT_EQ(Reading(lines[0]), "1");
  EXPECT_EQ(Reading(lines[1]), "2");
  EXPECT_EQ(Reading(lines[2]).rfind("FAILED: timed out after 0.2 s", 0), 0u) << lines[2];
  EXPECT_TRUE(server.AllClosedWithin(1s));
}

}  // namespace
}  // namespace rozovevi::testing
