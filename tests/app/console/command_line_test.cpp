// The command line: what is accepted, what it means, and what is refused rather than guessed.
#include "app/console/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <variant>
#include <vector>

namespace rozovevi::app::console {
namespace {

Command Accepted(const std::vector<std::u16string>& arguments) {
  const auto parsed = ParseCommandLine(arguments);
  EXPECT_TRUE(std::holds_alternative<Command>(parsed));
  return std::holds_alternative<Command>(parsed) ? std::get<Command>(parsed) : Command{};
}

TEST(CommandLineTest, ReadAndWriteTakeAddressAndValueExactly) {
  Command read = Accepted({u"read", u"  C:\\tank level.txt "});
  EXPECT_EQ(read.task, Task::kRead);
  EXPECT_EQ(read.address, u"  C:\\tank level.txt ");
  EXPECT_FALSE(read.no_newline);

  Command write = Accepted({u"write", u"OPC:line1.valve", u"Zürich ✓\r\n"});
  EXPECT_EQ(write.task, Task::kWrite);
  EXPECT_EQ(write.address, u"OPC:line1.valve");
  EXPECT_EQ(write.value, u"Zürich ✓\r\n");
  EXPECT_FALSE(write.value_from_input);
  EXPECT_FALSE(write.confirmed);

  // An empty address is the exchange's to refuse, with the window's message.
  EXPECT_EQ(Accepted({u"read", u""}).address, u"");
  EXPECT_EQ(Accepted({u"write", u"a", u""}).value, u"");
}

TEST(CommandLineTest, OptionsCountWhereverTheyStandBeforeDoubleDash) {
  EXPECT_TRUE(Accepted({u"-n", u"read", u"a"}).no_newline);
  EXPECT_TRUE(Accepted({u"read", u"a", u"-n"}).no_newline);
  EXPECT_TRUE(Accepted({u"--yes", u"write", u"a", u"1"}).confirmed);
  EXPECT_TRUE(Accepted({u"write", u"a", u"1", u"-y"}).confirmed);

  Command dashed = Accepted({u"write", u"--yes", u"--", u"-a", u"-5"});
  EXPECT_EQ(dashed.address, u"-a");
  EXPECT_EQ(dashed.value, u"-5");
  EXPECT_TRUE(dashed.confirmed);
  EXPECT_EQ(Accepted({u"read", u"--", u"--yes"}).address, u"--yes");
}

TEST(CommandLineTest, DashAloneIsStandardInputEvenAfterDoubleDash) {
  EXPECT_TRUE(Accepted({u"write", u"a", u"-"}).value_from_input);
  EXPECT_TRUE(Accepted({u"write", u"--", u"a", u"-"}).value_from_input);
  EXPECT_EQ(Accepted({u"read", u"-"}).address, u"-");
}

TEST(CommandLineTest, HelpAndVersionWinOverEverythingElse) {
  EXPECT_EQ(Accepted({u"read", u"--help"}).task, Task::kHelp);
  EXPECT_EQ(Accepted({u"-x", u"delete", u"-h"}).task, Task::kHelp);
  EXPECT_EQ(Accepted({u"--version", u"--help"}).task, Task::kHelp);
  EXPECT_EQ(Accepted({u"write", u"--version"}).task, Task::kVersion);
  // After "--" they are an address like any other.
  EXPECT_EQ(Accepted({u"read", u"--", u"--help"}).task, Task::kRead);
}

TEST(CommandLineTest, RefusesWhatItWouldHaveToGuess) {
  for (const std::vector<std::u16string>& arguments : std::vector<std::vector<std::u16string>>{
           {},
           {u"read"},
           {u"read", u"a", u"b"},
           {u"write", u"a"},
           {u"write", u"a", u"1", u"2"},
           {u"Read", u"a"},
           {u"delete", u"a"},
           {u"write", u"a", u"-5"},
           {u"read", u"a", u"--yes"},
           {u"write", u"a", u"1", u"-n"},
           {u"read", u"a", u"-x"},
           {u"read", u"a", u"--Yes"},
       }) {
    const auto parsed = ParseCommandLine(arguments);
    ASSERT_TRUE(std::holds_alternative<UsageError>(parsed)) << arguments.size();
    EXPECT_FALSE(std::get<UsageError>(parsed).reason.empty());
  }
  const auto parsed = ParseCommandLine({u"write", u"a", u"-5"});
  EXPECT_NE(std::get<UsageError>(parsed).reason.find(u"-5"), std::u16string::npos);
}

}  // namespace
}  // namespace rozovevi::app::console

namespace rozovevi::app::console {
namespace {

using std::chrono::microseconds;

TEST(CommandLineTest, WatchTakesAnIntervalAndACountInEitherForm) {
  const Command plain = Accepted({u"watch", u"MODBUS:tcp:plc/1/hr/0"});
  EXPECT_EQ(plain.task, Task::kWatch);
  EXPECT_EQ(plain.interval, microseconds(1000000));
  EXPECT_FALSE(plain.count);

  const struct {
    std::u16string text;
    microseconds interval;
  } intervals[] = {{u"0.05", microseconds(50000)},           {u"0.0500000", microseconds(50000)},
                   {u"1.5", microseconds(1500000)},          {u"2", microseconds(2000000)},
                   {u"0.1234567", microseconds(123456)},     {u"86400", microseconds(86400000000)},
                   {u"86400.000", microseconds(86400000000)}};
  for (const auto& each : intervals) {
    EXPECT_EQ(Accepted({u"watch", u"a", u"--interval", each.text}).interval, each.interval);
    EXPECT_EQ(Accepted({u"--interval=" + each.text, u"watch", u"a"}).interval, each.interval);
  }
  EXPECT_EQ(Accepted({u"watch", u"--count", u"18446744073709551615", u"a"}).count,
            18446744073709551615u);
  // After "--" an option's name is an address.
  EXPECT_EQ(Accepted({u"watch", u"--", u"--count"}).address, u"--count");
  // The value of --interval may begin with '-' only to be refused, never taken for an option.
  EXPECT_TRUE(
      std::holds_alternative<UsageError>(ParseCommandLine({u"watch", u"a", u"--interval", u"-n"})));
}

TEST(CommandLineTest, WatchRefusesIntervalsAndCountsOutOfBounds) {
  for (const std::u16string_view interval :
       {u"0.0499999", u"0", u"86400.0000001", u"86401", u"1e2", u".5", u"1.", u"", u"+1", u"1,5",
        u"99999999999999999999"}) {
    EXPECT_TRUE(std::holds_alternative<UsageError>(
        ParseCommandLine({u"watch", u"a", u"--interval", std::u16string(interval)})))
        << std::string(interval.begin(), interval.end());
  }
  for (const std::u16string_view count : {u"0", u"-1", u"", u"1.0", u"18446744073709551616"}) {
    EXPECT_TRUE(std::holds_alternative<UsageError>(
        ParseCommandLine({u"watch", u"a", u"--count=" + std::u16string(count)})));
  }
}

}  // namespace
}  // namespace rozovevi::app::console
