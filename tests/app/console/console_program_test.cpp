// rozovevi-io's portable part against fake streams and a scripted server: what each outcome of the
// exchange gives as exit status, what reaches standard output and standard error, and that the
// write guard holds.
#include "app/console/console_program.h"

#include <gtest/gtest.h>

#include <new>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "actions/messages.h"
#include "app/console/console_texts.h"
#include "app/console/exit_status.h"
#include "fake_streams.h"
#include "ioserver/value_limit.h"
#include "tests/support/scripted_runtime.h"

namespace rozovevi::app::console {
namespace {

using ioserver::AutomationValue;
using testing::Member;
using testing_support::FakeStreams;

// Lends the test's runtime to the program, which owns what its factory returns.
class LentRuntime final : public ioserver::AutomationRuntime {
 public:
  explicit LentRuntime(ioserver::AutomationRuntime& runtime) : runtime_(runtime) {}
  std::unique_ptr<ioserver::IoServer> CreateObject(std::u16string_view prog_id) override {
    return runtime_.CreateObject(prog_id);
  }

 private:
  ioserver::AutomationRuntime& runtime_;
};

class ConsoleProgramTest : public ::testing::Test {
 protected:
  int Run(const std::vector<std::u16string>& arguments) {
    return RunConsoleProgram(arguments, streams,
                             [this] { return std::make_unique<LentRuntime>(runtime); });
  }

  testing::EventLog log;
  testing::ScriptedRuntime runtime{log};
  FakeStreams streams;
};

TEST_F(ConsoleProgramTest, ReadPrintsTheValueExactlyWithOneLineEndOrNone) {
  runtime.script.read_result = AutomationValue::String(u"line one\r\nline two\n");
  EXPECT_EQ(Run({u"read", u"a.txt"}), exit_status::kDone);
  EXPECT_EQ(streams.output, u"line one\r\nline two\n\n");
  EXPECT_EQ(streams.error, u"");
  EXPECT_EQ(runtime.reads, std::vector<std::u16string>{u"a.txt"});

  streams.output.clear();
  EXPECT_EQ(Run({u"-n", u"read", u"a.txt"}), exit_status::kDone);
  EXPECT_EQ(streams.output, u"line one\r\nline two\n");

  runtime.script.read_result = AutomationValue::String(u"");
  streams.output.clear();
  EXPECT_EQ(Run({u"read", u"a.txt"}), exit_status::kDone);
  EXPECT_EQ(streams.output, u"\n");
}

TEST_F(ConsoleProgramTest, ValueThatIsNotAStringIsPrintedAsItsText) {
  runtime.script.read_result = AutomationValue::Int32(-42);
  EXPECT_EQ(Run({u"read", u"a"}), exit_status::kDone);
  EXPECT_EQ(streams.output, u"-42\n");
}

TEST_F(ConsoleProgramTest, FailedCallGivesOneAndNoValue) {
  runtime.script.read_result = AutomationValue::String(u"half");
  runtime.script.success = AutomationValue::Boolean(false);
  EXPECT_EQ(Run({u"read", u"a"}), exit_status::kFailed);
  EXPECT_EQ(streams.output, u"");
  EXPECT_EQ(streams.error, u"rozovevi-io: Communication Failed!\n");

  streams.error.clear();
  EXPECT_EQ(Run({u"write", u"--yes", u"a", u"1"}), exit_status::kFailed);
  EXPECT_EQ(streams.error, u"rozovevi-io: Communication Failed!\n");
}

TEST_F(ConsoleProgramTest, FailedCallAddsTheServersReasonOnTheSameLine) {
  runtime.script.success = AutomationValue::Boolean(false);
  runtime.script.failure =
      ioserver::Status::Failure("illegal data address: the device has no hr/120");
  EXPECT_EQ(Run({u"read", u"MODBUS:tcp:plc/1/hr/120"}), exit_status::kFailed);
  EXPECT_EQ(streams.error,
            u"rozovevi-io: Communication Failed! (illegal data address: the device has no "
            u"hr/120)\n");

  streams.error.clear();
  runtime.script.failure =
      ioserver::Status::Failure("cannot open the file:\r\nNo such file or directory");
  EXPECT_EQ(Run({u"write", u"--yes", u"a", u"1"}), exit_status::kFailed);
  EXPECT_EQ(streams.error,
            u"rozovevi-io: Communication Failed! (cannot open the file: No such file or "
            u"directory)\n");

  // A reason the server gave for an earlier call is never shown for a later one.
  streams.error.clear();
  runtime.script.success = AutomationValue::Boolean(true);
  EXPECT_EQ(Run({u"read", u"a"}), exit_status::kDone);
  EXPECT_EQ(streams.error, u"");
}

// An error raised anywhere in the exchange, or by making the runtime, gives 3 and its number
// and description on one line.
class RaisedErrorTest : public ConsoleProgramTest,
                        public ::testing::WithParamInterface<std::optional<Member>> {};

TEST_P(RaisedErrorTest, GivesThreeWithNumberAndDescription) {
  runtime.script.error = ioserver::IoError(-2147221005, u"Invalid class string\r\n");
  int status = 0;
  if (GetParam()) {
    runtime.script.failing_member = *GetParam();
    status = Run({u"read", u"a"});
  } else {
    status = RunConsoleProgram({u"read", u"a"}, streams, []() -> std::unique_ptr<LentRuntime> {
      throw ioserver::IoError(-2147221005, u"Invalid class string\r\n");
    });
  }
  EXPECT_EQ(status, exit_status::kRaisedError);
  EXPECT_EQ(streams.output, u"");
  EXPECT_EQ(streams.error, u"rozovevi-io: I/O server error -2147221005: Invalid class string\n");
  EXPECT_EQ(runtime.objects_alive, 0);
}

INSTANTIATE_TEST_SUITE_P(AtEachStep, RaisedErrorTest,
                         ::testing::Values(std::nullopt, Member::kCreate, Member::kSilent,
                                           Member::kReadInputFile, Member::kSuccess));

TEST_F(ConsoleProgramTest, EmptyAddressAndUsageErrorsGiveTwoAndCreateNothing) {
  EXPECT_EQ(Run({u"read", u""}), exit_status::kUsage);
  EXPECT_EQ(streams.error, u"rozovevi-io: Please specify an IO address!\n");
  EXPECT_EQ(Run({u"write", u"--yes", u"", u"1"}), exit_status::kUsage);

  streams.error.clear();
  EXPECT_EQ(Run({u"read"}), exit_status::kUsage);
  EXPECT_EQ(streams.error.rfind(u"rozovevi-io: ", 0), 0u);
  EXPECT_NE(streams.error.find(u"--help"), std::u16string::npos);
  EXPECT_EQ(streams.output, u"");
  EXPECT_EQ(runtime.objects_created, 0);
}

TEST_F(ConsoleProgramTest, HelpAndVersionGoToStandardOutput) {
  EXPECT_EQ(Run({u"--version"}), exit_status::kDone);
  EXPECT_EQ(streams.output, u"rozovevi-io 5.00.0001\n");
  streams.output.clear();
  EXPECT_EQ(Run({u"--help"}), exit_status::kDone);
  EXPECT_EQ(streams.output.rfind(u"Usage: rozovevi-io", 0), 0u);
  EXPECT_EQ(streams.error, u"");
  EXPECT_EQ(runtime.objects_created, 0);
}

TEST_F(ConsoleProgramTest, OutputThatCannotBeWrittenWholeGivesFive) {
  runtime.script.read_result = AutomationValue::String(u"42");
  streams.output_failure = StreamError(28, "No space left on device");
  EXPECT_EQ(Run({u"read", u"a"}), exit_status::kOutputFailed);
  EXPECT_EQ(streams.error, u"rozovevi-io: cannot write standard output: No space left on device\n");
}

TEST_F(ConsoleProgramTest, WriteWithYesSendsTheValueWithoutAsking) {
  streams.terminal = true;
  EXPECT_EQ(Run({u"write", u"--yes", u"out.txt", u"Zürich ✓"}), exit_status::kDone);
  EXPECT_EQ(runtime.writes,
            (std::vector<std::pair<std::u16string, std::u16string>>{{u"out.txt", u"Zürich ✓"}}));
  EXPECT_EQ(streams.questions, 0);
  EXPECT_EQ(streams.output, u"");
  EXPECT_EQ(streams.error, u"");
}

TEST_F(ConsoleProgramTest, WriteWithoutTerminalOrYesWritesNothingAndGivesFour) {
  EXPECT_EQ(Run({u"write", u"out.txt", u"1"}), exit_status::kNotConfirmed);
  EXPECT_EQ(runtime.objects_created, 0);
  EXPECT_EQ(streams.questions, 0);
  EXPECT_NE(streams.error.find(u"--yes"), std::u16string::npos);
  EXPECT_EQ(streams.output, u"");
}

TEST_F(ConsoleProgramTest, TerminalShowsTheWarningAndWritesOnlyOnYes) {
  streams.terminal = true;
  struct Case {
    std::optional<std::u16string> answer;
    bool writes;
  };
  for (const Case& each :
       {Case{u"y", true}, Case{u"YES", true}, Case{u"Y", true}, Case{u"n", false}, Case{u"", false},
        Case{u"yess", false}, Case{u" y", false}, Case{std::nullopt, false}}) {
    runtime.writes.clear();
    streams.error.clear();
    streams.answers = {each.answer};
    const int status = Run({u"write", u"out.txt", u"1"});
    EXPECT_EQ(status, each.writes ? exit_status::kDone : exit_status::kNotConfirmed);
    EXPECT_EQ(runtime.writes.size(), each.writes ? 1u : 0u);
    // The window's warning, its line breaks the terminal's, then the question.
    EXPECT_EQ(
        streams.error.rfind(
            WithLineEnds(actions::WriteWarningPrompt(), u"\n") + std::u16string(kWriteQuestion), 0),
        0u);
  }
  // Every run is a run of its own: each of them asked.
  EXPECT_EQ(streams.questions, 8);
}

TEST_F(ConsoleProgramTest, ValueFromStandardInputIsSentExactly) {
  streams.input.text = u"first\nsecond\r\n\uFEFF";
  EXPECT_EQ(Run({u"write", u"--yes", u"out.txt", u"-"}), exit_status::kDone);
  ASSERT_EQ(runtime.writes.size(), 1u);
  EXPECT_EQ(runtime.writes[0].second, u"first\nsecond\r\n\uFEFF");
  EXPECT_EQ(streams.input_limit, ioserver::kMaxValueBytes);
}

// Input that is not UTF-8, or that goes on past the limit, is refused before the server is made.
TEST_F(ConsoleProgramTest, RefusedStandardInputGivesTwoAndWritesNothing) {
  struct Case {
    InputText::Status status;
    std::u16string error;
  };
  for (const Case& each :
       {Case{InputText::Status::kNotUtf8,
             u"rozovevi-io: standard input is not valid UTF-8; nothing was written\n"},
        Case{InputText::Status::kTooLarge,
             u"rozovevi-io: standard input holds more than 16 MiB, the most a value may have; "
             u"nothing was written\n"}}) {
    streams.error.clear();
    streams.input = {each.status, {}};
    EXPECT_EQ(Run({u"write", u"--yes", u"out.txt", u"-"}), exit_status::kUsage);
    EXPECT_EQ(streams.error, each.error);
  }
  EXPECT_EQ(runtime.objects_created, 0);
  EXPECT_EQ(streams.output, u"");
}

// What escapes everything else is named, never passed on as a bare exception text: out of
// memory in the words the window uses for it.
TEST_F(ConsoleProgramTest, UnexpectedErrorsAreReportedInWordsWithTheRaisedErrorStatus) {
  EXPECT_EQ(ReportUnexpectedError(streams, std::bad_alloc()), exit_status::kRaisedError);
  EXPECT_EQ(streams.error, u"rozovevi-io: I/O server error 7: Out of memory\n");
  streams.error.clear();
  EXPECT_EQ(ReportUnexpectedError(streams, std::length_error("basic_string::_M_create")),
            exit_status::kRaisedError);
  EXPECT_EQ(streams.error, u"rozovevi-io: unexpected error: basic_string::_M_create\n");
}

}  // namespace
}  // namespace rozovevi::app::console
