// The read: the order of its steps, what lands in txtValue and where the focus ends.
#include <gtest/gtest.h>

#include "actions/read_action.h"
#include "tests/actions/action_fixture.h"

namespace rozovevi::testing {
namespace {

using ioserver::AutomationValue;

using ReadActionTest = ActionTest;

TEST_F(ReadActionTest, SuccessfulReadRunsEveryStepInOrder) {
  window.address = u"C:\\line\\tank1.txt";
  window.value = u"stale";
  runtime.script.read_result = AutomationValue::String(u"42.5 bar");
  actions::RunReadAction(window, runtime);

  // Cleared before the server is asked, so that a failed read never leaves the stale value.
  EXPECT_TRUE(Before(log, "txtValue.Text=", "CreateObject(DARedUde.daREDudeClass)#1"));
  EXPECT_TRUE(Before(log, "#1.Silent=True", "#1.ReadInputFile(\"C:\\line\\tank1.txt\")"));
  EXPECT_TRUE(Before(log, "#1.ReadInputFile(\"C:\\line\\tank1.txt\")", "#1.Success"));
  ExpectObjectInsideTheLock(log, 1);
  // The focus moves only once both buttons are back.
  EXPECT_TRUE(Before(log, "cmdRead.Enabled=True", "cmdRead.SetFocus"));
  EXPECT_TRUE(Before(log, "cmdWrite.Enabled=True", "cmdRead.SetFocus"));
  EXPECT_EQ(window.value, u"42.5 bar");
  EXPECT_EQ(window.focus_read_calls, 1);
  EXPECT_TRUE(window.boxes.shown.empty());
}

TEST_F(ReadActionTest, FailedReadStillShowsWhatTheServerReturned) {
  window.address = u"a.txt";
  runtime.script.read_result = AutomationValue::String(u"partial");
  runtime.script.success = AutomationValue::Boolean(false);
  actions::RunReadAction(window, runtime);

  ASSERT_EQ(window.boxes.shown.size(), 1u);
  EXPECT_EQ(window.boxes.shown[0].value_text, u"partial");
  EXPECT_EQ(window.value, u"partial");
  EXPECT_EQ(window.focus_read_calls, 1);
}

TEST_F(ReadActionTest, ReturnedValuesAreShownAsText) {
  const struct {
    AutomationValue returned;
    std::u16string shown;
  } cases[] = {
      {AutomationValue::String(u""), u""},
      {AutomationValue::String(u"  spaced  \r\nlines"), u"  spaced  \r\nlines"},
      {AutomationValue::Empty(), u""},
      {AutomationValue::Int32(-17), u"-17"},
      {AutomationValue::Double(0.1), u"0.1"},
      {AutomationValue::Boolean(true), u"True"},
      {AutomationValue::Boolean(false), u"False"},
  };
  window.address = u"a.txt";
  for (const auto& c : cases) {
    window.value = u"old";
    runtime.script.read_result = c.returned;
    actions::RunReadAction(window, runtime);
    EXPECT_EQ(window.value, c.shown) << Describe(c.returned);
  }
  EXPECT_TRUE(window.boxes.shown.empty());
}

TEST_F(ReadActionTest, SuccessfulReadOfEmptyStringShowsNoMessage) {
  window.address = u"empty.txt";
  window.value = u"old";
  actions::RunReadAction(window, runtime);
  EXPECT_EQ(window.value, u"");
  EXPECT_TRUE(window.boxes.shown.empty());
}

}  // namespace
}  // namespace rozovevi::testing
