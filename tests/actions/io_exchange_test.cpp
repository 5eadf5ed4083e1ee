// The exchange both actions share, driven through the read action: the address check, the lock,
// one fresh object per run, the success check and the handling of raised errors.
#include <gtest/gtest.h>

#include "actions/messages.h"
#include "actions/read_action.h"
#include "actions/write_action.h"
#include "tests/actions/action_fixture.h"

namespace rozovevi::testing {
namespace {

using actions::MessageStyle;
using ioserver::AutomationValue;

using ExchangeTest = ActionTest;

TEST_F(ExchangeTest, EmptyAddressShowsExclamationAndTouchesNothingElse) {
  for (auto run : {&actions::RunReadAction, &actions::RunWriteAction}) {
    log.clear();
    window.boxes.shown.clear();
    window.value = u"old value";
    EXPECT_EQ(run(window, runtime), actions::ExchangeOutcome::kNoAddress);

    EXPECT_EQ(log, (EventLog{"MsgBox(48)"}));
    ASSERT_EQ(window.boxes.shown.size(), 1u);
    EXPECT_EQ(window.boxes.shown[0].prompt, u"Please specify an IO address!");
    EXPECT_EQ(window.value, u"old value");
    EXPECT_TRUE(window.read_enabled);
    EXPECT_TRUE(window.write_enabled);
    EXPECT_FALSE(window.write_warned);
    EXPECT_EQ(runtime.objects_created, 0);
  }
}

TEST_F(ExchangeTest, AddressIsPassedExactlyAsTyped) {
  for (const std::u16string address :
       {u" ", u"  C:\\data\\level.txt  ", u"\tOPC:line1.tank", u"dde:x|y!z\n", u"Zürich ✓"}) {
    window.address = address;
    actions::RunReadAction(window, runtime);
    EXPECT_EQ(runtime.reads.back(), address);
  }
  EXPECT_EQ(runtime.reads.size(), 5u);
}

TEST_F(ExchangeTest, EachRunUsesAFreshObjectReleasedBeforeTheButtonsReturn) {
  window.address = u"a.txt";
  for (int run = 1; run <= 2; ++run) {
    log.clear();
    actions::RunReadAction(window, runtime);
    EXPECT_EQ(runtime.objects_created, run);
    EXPECT_EQ(runtime.objects_alive, 0);
    ExpectObjectInsideTheLock(log, run);
    EXPECT_TRUE(Before(log, "#" + std::to_string(run) + ".Release", "cmdRead.SetFocus"));
  }
}

// Success values that mean the call failed, and ones that do not.
struct SuccessCase {
  const char* name;
  AutomationValue success;
  bool reported_as_failure;
};

void PrintTo(const SuccessCase& c, std::ostream* os) { *os << c.name; }

class SuccessCheckTest : public ActionTest, public ::testing::WithParamInterface<SuccessCase> {};

TEST_P(SuccessCheckTest, FailureIsReportedOnlyForValuesEqualToFalse) {
  window.address = u"a.txt";
  runtime.script.success = GetParam().success;
  const actions::ExchangeOutcome outcome = actions::RunReadAction(window, runtime);

  EXPECT_EQ(outcome, GetParam().reported_as_failure ? actions::ExchangeOutcome::kFailed
                                                    : actions::ExchangeOutcome::kDone);
  if (GetParam().reported_as_failure) {
    ASSERT_EQ(window.boxes.shown.size(), 1u);
    EXPECT_EQ(window.boxes.shown[0].prompt, u"Communication Failed!");
    EXPECT_EQ(window.boxes.shown[0].style, MessageStyle::kCriticalOk);
    EXPECT_EQ(window.call_failures.size(), 1u);
  } else {
    EXPECT_TRUE(window.boxes.shown.empty());
    EXPECT_TRUE(window.call_failures.empty());
  }
  EXPECT_TRUE(window.read_enabled);
  EXPECT_TRUE(window.write_enabled);
}

INSTANTIATE_TEST_SUITE_P(
    Values, SuccessCheckTest,
    ::testing::Values(SuccessCase{"BooleanFalse", AutomationValue::Boolean(false), true},
                      SuccessCase{"ZeroInteger", AutomationValue::Int32(0), true},
                      SuccessCase{"ZeroDouble", AutomationValue::Double(0.0), true},
                      SuccessCase{"Empty", AutomationValue::Empty(), true},
                      SuccessCase{"BooleanTrue", AutomationValue::Boolean(true), false},
                      SuccessCase{"OddBooleanBits", AutomationValue::BooleanBits(1), false},
                      SuccessCase{"Null", AutomationValue::Null(), false},
                      SuccessCase{"EmptyString", AutomationValue::String(u""), false},
                      SuccessCase{"NonZeroInteger", AutomationValue::Int32(2), false}),
    [](const auto& info) { return std::string(info.param.name); });

// The server's reason goes with the message, asked while the object is held (a released object
// could no longer tell it), and says whether repeating the call could succeed.
TEST_F(ExchangeTest, FailureMessageComesWithTheServersReasonWhileLockedAndObjectHeld) {
  window.address = u"a.txt";
  runtime.script.success = AutomationValue::Boolean(false);
  runtime.script.failure = ioserver::Status::Lasting("the unit \"x\" is not 0-255");
  actions::RunReadAction(window, runtime);

  ASSERT_EQ(window.call_failures.size(), 1u);
  EXPECT_EQ(window.call_failures[0].reason(), "the unit \"x\" is not 0-255");
  EXPECT_TRUE(window.call_failures[0].lasting());
  ASSERT_EQ(window.boxes.shown.size(), 1u);
  EXPECT_FALSE(window.boxes.shown[0].read_enabled);
  EXPECT_FALSE(window.boxes.shown[0].write_enabled);
  EXPECT_TRUE(Before(log, "#1.Success", "MsgBox(16)"));
  EXPECT_TRUE(Before(log, "MsgBox(16)", "#1.Release"));
  ExpectObjectInsideTheLock(log, 1);
}

// A raised error at any point stops the action, releases the object and reports the error with
// its number and description; the program carries on with both buttons usable.
class RaisedErrorTest : public ActionTest, public ::testing::WithParamInterface<Member> {};

TEST_P(RaisedErrorTest, IsReportedAndTheWindowStaysUsable) {
  window.address = u"a.txt";
  window.value = u"typed";
  runtime.script.failing_member = GetParam();
  runtime.script.error = ioserver::IoError(429, u"Cannot create object");
  EXPECT_EQ(actions::RunReadAction(window, runtime), actions::ExchangeOutcome::kRaisedError);

  ASSERT_EQ(window.boxes.shown.size(), 1u);
  const ShownMessage& shown = window.boxes.shown[0];
  EXPECT_EQ(shown.style, MessageStyle::kCriticalOk);
  EXPECT_EQ(shown.prompt, u"I/O server error 429:\r\n\r\nCannot create object");
  EXPECT_FALSE(shown.read_enabled);

  EXPECT_EQ(runtime.objects_alive, 0);
  EXPECT_TRUE(window.read_enabled);
  EXPECT_TRUE(window.write_enabled);
  EXPECT_EQ(window.value, u"") << "the read cleared the old value before the server was asked";
  // Nothing after the failing member was called.
  const bool success_called = std::find(log.begin(), log.end(), "#1.Success") != log.end();
  EXPECT_EQ(success_called, GetParam() == Member::kSuccess);
  // The object, if there was one, is released before the report.
  if (GetParam() != Member::kCreate) {
    const auto release = std::find(log.begin(), log.end(), "#1.Release");
    const auto report = std::find(log.begin(), log.end(), "MsgBox(16)");
    EXPECT_LT(release, report);
  }
}

// A failed allocation anywhere in the exchange (a value larger than memory) is reported as error
// 7 instead of ending the program.
TEST_P(RaisedErrorTest, OutOfMemoryIsReportedAsError7AndTheWindowStaysUsable) {
  window.address = u"a.txt";
  window.value = u"typed";
  runtime.script.failing_member = GetParam();
  runtime.script.out_of_memory = true;
  EXPECT_EQ(actions::RunReadAction(window, runtime), actions::ExchangeOutcome::kRaisedError);

  ASSERT_EQ(window.boxes.shown.size(), 1u);
  EXPECT_EQ(window.boxes.shown[0].style, MessageStyle::kCriticalOk);
  EXPECT_EQ(window.boxes.shown[0].prompt, u"I/O server error 7:\r\n\r\nOut of memory");
  EXPECT_FALSE(window.boxes.shown[0].read_enabled);
  EXPECT_EQ(runtime.objects_alive, 0);
  EXPECT_TRUE(window.read_enabled);
  EXPECT_TRUE(window.write_enabled);
  EXPECT_EQ(window.address, u"a.txt");
}

INSTANTIATE_TEST_SUITE_P(AtEachStep, RaisedErrorTest,
                         ::testing::Values(Member::kCreate, Member::kSilent, Member::kReadInputFile,
                                           Member::kSuccess),
                         [](const auto& info) { return MemberName(info.param); });

TEST_F(ExchangeTest, NullReadResultIsReportedAsInvalidUseOfNull) {
  window.address = u"a.txt";
  runtime.script.read_result = AutomationValue::Null();
  actions::RunReadAction(window, runtime);

  ASSERT_EQ(window.boxes.shown.size(), 1u);
  EXPECT_EQ(window.boxes.shown[0].prompt, u"I/O server error 94:\r\n\r\nInvalid use of Null");
  EXPECT_EQ(window.value, u"");
  EXPECT_TRUE(window.read_enabled);
  EXPECT_TRUE(window.write_enabled);
  EXPECT_EQ(runtime.objects_alive, 0);
}

TEST(ServerErrorPromptTest, GivesNumberThenDescription) {
  EXPECT_EQ(actions::ServerErrorPrompt(-2147221005, u"Invalid class string"),
            u"I/O server error -2147221005:\r\n\r\nInvalid class string");
}

}  // namespace
}  // namespace rozovevi::testing
