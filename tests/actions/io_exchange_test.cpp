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
    window.messages.clear();
    window.value = u"old value";
    run(window, runtime);

    EXPECT_EQ(log, (EventLog{"txtAddress.Text?", "MsgBox(48)"}));
    ASSERT_EQ(window.messages.size(), 1u);
    EXPECT_EQ(window.messages[0].prompt, u"Please specify an IO address!");
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
    log.clear();
    window.address = address;
    actions::RunReadAction(window, runtime);
    EXPECT_EQ(log.at(7), "#" + std::to_string(runtime.objects_created) + ".ReadInputFile(" +
                             Describe(AutomationValue::String(address)) + ")");
  }
}

TEST_F(ExchangeTest, EachRunUsesAFreshObjectReleasedBeforeTheButtonsReturn) {
  window.address = u"a.txt";
  actions::RunReadAction(window, runtime);
  actions::RunReadAction(window, runtime);

  EXPECT_EQ(runtime.objects_created, 2);
  EXPECT_EQ(runtime.objects_alive, 0);
  const auto position = [&](const std::string& event) {
    return std::find(log.begin(), log.end(), event) - log.begin();
  };
  EXPECT_LT(position("#1.Release"), position("CreateObject(DARedUde.daREDudeClass)#2"));
  EXPECT_EQ(log[position("#2.Release") + 1], "cmdRead.Enabled=True");
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
  actions::RunReadAction(window, runtime);

  if (GetParam().reported_as_failure) {
    ASSERT_EQ(window.messages.size(), 1u);
    EXPECT_EQ(window.messages[0].prompt, u"Communication Failed!");
    EXPECT_EQ(window.messages[0].style, MessageStyle::kCriticalOk);
  } else {
    EXPECT_TRUE(window.messages.empty());
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

TEST_F(ExchangeTest, FailureMessageComesWhileLockedAndObjectHeld) {
  window.address = u"a.txt";
  runtime.script.success = AutomationValue::Boolean(false);
  actions::RunReadAction(window, runtime);

  EXPECT_EQ(log, (EventLog{"txtAddress.Text?", "cmdRead.Enabled=False", "cmdWrite.Enabled=False",
                           "txtValue.Text=", "CreateObject(DARedUde.daREDudeClass)#1",
                           "#1.Silent=True", "txtAddress.Text?", "#1.ReadInputFile(\"a.txt\")",
                           "txtValue.Text=", "#1.Success", "MsgBox(16)", "#1.Release",
                           "cmdRead.Enabled=True", "cmdWrite.Enabled=True", "cmdRead.SetFocus"}));
  ASSERT_EQ(window.messages.size(), 1u);
  EXPECT_FALSE(window.messages[0].read_enabled);
  EXPECT_FALSE(window.messages[0].write_enabled);
}

// A raised error at any point stops the action, releases the object and reports the error with
// its number and description; the program carries on with both buttons usable.
class RaisedErrorTest : public ActionTest, public ::testing::WithParamInterface<Member> {};

TEST_P(RaisedErrorTest, IsReportedAndTheWindowStaysUsable) {
  window.address = u"a.txt";
  window.value = u"typed";
  runtime.script.failing_member = GetParam();
  runtime.script.error = ioserver::IoError(429, u"Cannot create object");
  actions::RunReadAction(window, runtime);

  ASSERT_EQ(window.messages.size(), 1u);
  const ShownMessage& shown = window.messages[0];
  EXPECT_EQ(shown.style, MessageStyle::kCriticalOk);
  EXPECT_EQ(shown.prompt, actions::ServerErrorPrompt(429, u"Cannot create object"));
  EXPECT_NE(shown.prompt.find(u"429"), std::u16string::npos);
  EXPECT_NE(shown.prompt.find(u"Cannot create object"), std::u16string::npos);
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
  actions::RunReadAction(window, runtime);

  ASSERT_EQ(window.messages.size(), 1u);
  EXPECT_EQ(window.messages[0].style, MessageStyle::kCriticalOk);
  EXPECT_EQ(window.messages[0].prompt, actions::ServerErrorPrompt(7, u"Out of memory"));
  EXPECT_FALSE(window.messages[0].read_enabled);
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

  ASSERT_EQ(window.messages.size(), 1u);
  EXPECT_EQ(window.messages[0].prompt, actions::ServerErrorPrompt(94, u"Invalid use of Null"));
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
