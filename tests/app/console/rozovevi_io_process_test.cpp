// The built rozovevi-io run as a script runs it, through the stand-in server: exit statuses, the
// exact bytes on standard output and in the files, messages only on standard error, and no write
// without --yes or a "y" typed on a terminal.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "actions/messages.h"
#include "ioserver/utf8.h"
#include "ioserver/value_limit.h"
#include "tests/app/console/child_process.h"
#include "tests/support/scratch_directory.h"

namespace rozovevi::testing {
namespace {

const std::string kProgram = ROZOVEVI_IO_EXE;

std::string Contents(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return "<missing>";
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

void Store(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

class RozoveviIoTest : public ::testing::Test {
 protected:
  ScratchDirectory directory{"rozovevi-io-test-"};
  const std::string file = directory / "value.txt";
};

TEST_F(RozoveviIoTest, ReadPrintsTheValueBytesAndOneLineEnd) {
  // The stand-in drops the editor's last line end; inner line ends and everything else pass.
  Store(file, "line one\r\nline two\n\xc3\xa9\xe2\x9c\x93 \t\n");
  Finished read = RunWithPipes(kProgram, {"read", file});
  EXPECT_EQ(read.status, 0);
  EXPECT_EQ(read.output, "line one\r\nline two\n\xc3\xa9\xe2\x9c\x93 \t\n");
  EXPECT_EQ(read.error, "");

  Store(file, "42");
  EXPECT_EQ(RunWithPipes(kProgram, {"read", file}).output, "42\n");
  EXPECT_EQ(RunWithPipes(kProgram, {"-n", "read", file}).output, "42");
  Store(file, "");
  EXPECT_EQ(RunWithPipes(kProgram, {"read", file}).output, "\n");
}

TEST_F(RozoveviIoTest, WriteWithYesStoresTheArgumentExactly) {
  Finished write = RunWithPipes(kProgram, {"write", "--yes", file, "Z\xc3\xbcrich \xe2\x9c\x93"});
  EXPECT_EQ(write.status, 0);
  EXPECT_EQ(write.output, "");
  EXPECT_EQ(write.error, "");
  EXPECT_EQ(Contents(file), "Z\xc3\xbcrich \xe2\x9c\x93");

  EXPECT_EQ(RunWithPipes(kProgram, {"-y", "write", "--", file, "-5"}).status, 0);
  EXPECT_EQ(Contents(file), "-5");
  EXPECT_EQ(RunWithPipes(kProgram, {"write", "-y", file, ""}).status, 0);
  EXPECT_EQ(Contents(file), "");
}

TEST_F(RozoveviIoTest, WriteFromStandardInputStoresEveryByte) {
  const std::string value = "first\nsecond\r\n\xef\xbb\xbf tail\n\n";
  Finished write = RunWithPipes(kProgram, {"write", "--yes", file, "-"}, value);
  EXPECT_EQ(write.status, 0);
  EXPECT_EQ(Contents(file), value);

  // Not UTF-8: refused, and the file keeps what it had.
  Finished refused = RunWithPipes(kProgram, {"write", "--yes", file, "-"}, "ok\xff");
  EXPECT_EQ(refused.status, 2);
  EXPECT_NE(refused.error, "");
  EXPECT_EQ(Contents(file), value);
}

// Standard input is read only up to the most a value may have: more, even without end, is
// refused in the usage status before anything is written.
TEST_F(RozoveviIoTest, StandardInputPastTheLimitIsRefusedAndWritesNothing) {
  const std::string refusal =
      "rozovevi-io: standard input holds more than 16 MiB, the most a value may have; nothing "
      "was written\n";
  Store(file, "old");
  std::string yes_lines;
  while (yes_lines.size() < 64 * 1024) yes_lines += "y\n";
  for (const Finished& refused :
       {RunFedEndlessly(kProgram, {"--yes", "write", file, "-"}, yes_lines),
        RunWithPipes(kProgram, {"--yes", "write", file, "-"},
                     std::string(ioserver::kMaxValueBytes + 1, 'v'))}) {
    EXPECT_EQ(refused.status, 2);  // -1: still reading when the time limit was up.
    EXPECT_EQ(refused.error, refusal);
    EXPECT_EQ(refused.output, "");
    EXPECT_EQ(Contents(file), "old");
    EXPECT_EQ(directory.Names(), std::vector<std::string>{"value.txt"});
  }

  const std::string at_limit(ioserver::kMaxValueBytes, 'v');
  EXPECT_EQ(RunWithPipes(kProgram, {"--yes", "write", file, "-"}, at_limit).status, 0);
  EXPECT_TRUE(Contents(file) == at_limit);
}

TEST_F(RozoveviIoTest, WriteWithoutYesAndWithoutTerminalWritesNothing) {
  Store(file, "old");
  for (const std::string& value : {std::string("new"), std::string("-")}) {
    Finished write = RunWithPipes(kProgram, {"write", file, value}, "piped");
    EXPECT_EQ(write.status, 4);
    EXPECT_EQ(write.output, "");
    EXPECT_NE(write.error.find("--yes"), std::string::npos) << write.error;
    EXPECT_EQ(Contents(file), "old");
  }
  EXPECT_EQ(directory.Names(), std::vector<std::string>{"value.txt"});
}

TEST_F(RozoveviIoTest, FailuresGiveTheirStatusAndTheWindowsWordsOnStandardError) {
  struct Case {
    std::vector<std::string> arguments;
    int status;
    std::string error;
  };
  const std::string missing = directory / "missing.txt";
  for (const Case& each : {
           Case{{"read", missing},
                1,
                "rozovevi-io: Communication Failed! (cannot open the file: No such file or "
                "directory)\n"},
           // An OPC item named as the Windows server names it is no OPC UA address here.
           Case{{"read", "OPC:line1.tank"},
                1,
                "rozovevi-io: Communication Failed! (malformed OPC address: OPC: is followed by "
                "opc.tcp://<host>[:<port>][/<path>]#<node>)\n"},
           Case{{"write", "-y", "DDE:x|y!z", "1"},
                1,
                "rozovevi-io: Communication Failed! (DDE items cannot be reached by the stand-in "
                "I/O server)\n"},
           Case{{"read", ""}, 2, "rozovevi-io: Please specify an IO address!\n"},
           Case{{"write", "--yes", "", "1"}, 2, "rozovevi-io: Please specify an IO address!\n"},
       }) {
    Finished run = RunWithPipes(kProgram, each.arguments);
    EXPECT_EQ(run.status, each.status) << each.arguments[1];
    EXPECT_EQ(run.error, each.error);
    EXPECT_EQ(run.output, "");
  }
  EXPECT_EQ(Contents(missing), "<missing>");
}

TEST_F(RozoveviIoTest, UsageErrorsGiveTwoAndTouchNothing) {
  Store(file, "old");
  for (const std::vector<std::string>& arguments :
       std::vector<std::vector<std::string>>{{},
                                             {"read"},
                                             {"write", "-y", file},
                                             {"write", "-y", file, "-5"},
                                             {"read", "a\xff"},
                                             {"write", "-y", file, "\xed\xa0\x80"}}) {
    Finished run = RunWithPipes(kProgram, arguments);
    EXPECT_EQ(run.status, 2) << arguments.size();
    EXPECT_EQ(run.output, "");
    EXPECT_NE(run.error.find("rozovevi-io: "), std::string::npos);
  }
  EXPECT_EQ(Contents(file), "old");
}

TEST_F(RozoveviIoTest, VersionAndHelpOnStandardOutput) {
  Finished version = RunWithPipes(kProgram, {"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.output, "rozovevi-io 5.00.0001\n");
  Finished help = RunWithPipes(kProgram, {"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.output.rfind("Usage: rozovevi-io", 0), 0u);
  EXPECT_EQ(help.error, "");
}

TEST_F(RozoveviIoTest, ValueThatCannotReachStandardOutputGivesFive) {
  Store(file, "42");
  Finished read = RunWithPipes(kProgram, {"read", file}, "", "/dev/full");
  EXPECT_EQ(read.status, 5);
  EXPECT_NE(read.error.find("No space left on device"), std::string::npos) << read.error;
}

// The terminal case: the warning and the question on the terminal, then what was typed decides.
TEST_F(RozoveviIoTest, OnATerminalOnlyYWrites) {
  const std::string question = " [y/N] ";
  struct Case {
    std::string typed;
    int status;
    std::string contents;
  };
  for (const Case& each : {Case{"y\r", 0, "new"}, Case{"n\r", 4, "old"}, Case{"\r", 4, "old"},
                           Case{"\x04", 4, "old"}, Case{"yes please\r", 4, "old"}}) {
    Store(file, "old");
    Finished run = RunOnTerminal(kProgram, {"write", file, "new"}, question, each.typed);
    EXPECT_EQ(run.status, each.status) << run.output;
    // The terminal shows each line end as CR LF, as the message box's text has them.
    EXPECT_NE(run.output.find(ioserver::EncodeUtf8Lossy(actions::WriteWarningPrompt()) + question),
              std::string::npos)
        << run.output;
    EXPECT_EQ(Contents(file), each.contents);
  }
}

}  // namespace
}  // namespace rozovevi::testing
