// The write: the one-time warning and its flag, the call's arguments, and what stays untouched.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "actions/messages.h"
#include "actions/write_action.h"
#include "tests/actions/action_fixture.h"

namespace rozovevi::testing {
namespace {

using actions::MessageAnswer;
using actions::MessageStyle;
using ioserver::AutomationValue;

class WriteActionTest : public ActionTest {
 protected:
  int Writes() const {
    return static_cast<int>(std::count_if(log.begin(), log.end(), [](const std::string& e) {
      return e.find(".WriteOutputFile(") != std::string::npos;
    }));
  }
  int Warnings() const {
    return static_cast<int>(std::count_if(
        window.boxes.shown.begin(), window.boxes.shown.end(),
        [](const ShownMessage& m) { return m.style == MessageStyle::kCriticalYesNo; }));
  }
};

TEST_F(WriteActionTest, WarningTextHasTwoLinesAnEmptyLineAndTheQuestion) {
  EXPECT_EQ(actions::WriteWarningPrompt(),
            u"You are about to Write a value back to a file or device ...\r\n"
            u"Doing so may have a negative effect on the production line.\r\n"
            u"\r\n"
            u"Are you SURE you still want to do this?");
}

TEST_F(WriteActionTest, FirstWriteAnsweredYesWarnsOnceThenWritesInOrder) {
  window.address = u"out.txt";
  window.value = u"17";
  window.boxes.answers = {MessageAnswer::kYes};
  actions::RunWriteAction(window, runtime);

  using Write = std::pair<std::u16string, std::u16string>;
  EXPECT_EQ(runtime.writes, std::vector<Write>{Write(u"out.txt", u"17")});
  EXPECT_TRUE(Before(log, "MsgBox(20)", "CreateObject(DARedUde.daREDudeClass)#1"));
  EXPECT_TRUE(Before(log, "#1.Silent=True", "#1.WriteOutputFile(\"out.txt\", \"17\")"));
  EXPECT_TRUE(Before(log, "#1.WriteOutputFile(\"out.txt\", \"17\")", "#1.Success"));
  ExpectObjectInsideTheLock(log, 1);
  EXPECT_EQ(window.focus_read_calls, 0);
  EXPECT_EQ(window.boxes.shown[0].prompt, actions::WriteWarningPrompt());
  EXPECT_TRUE(window.boxes.shown[0].read_enabled) << "nothing is locked while the warning is up";

  log.clear();
  actions::RunWriteAction(window, runtime);
  EXPECT_EQ(Warnings(), 1);
  EXPECT_EQ(Writes(), 1);
  EXPECT_FALSE(Logged(log, "MsgBox(20)")) << "the second write goes straight through";
}

TEST_F(WriteActionTest, AnyAnswerButYesCancelsOnlyThatAttempt) {
  for (MessageAnswer answer : {MessageAnswer::kNo, MessageAnswer::kCancel, MessageAnswer::kOk}) {
    log.clear();
    window.boxes.shown.clear();
    window.write_warned = false;
    window.address = u"out.txt";
    window.boxes.answers = {answer};
    EXPECT_EQ(actions::RunWriteAction(window, runtime), actions::ExchangeOutcome::kStoppedByCheck);

    EXPECT_TRUE(Logged(log, "MsgBox(20)"));
    EXPECT_FALSE(Logged(log, "cmdRead.Enabled=False")) << "nothing was locked";
    EXPECT_TRUE(window.write_warned);
    EXPECT_EQ(runtime.objects_created, 0);

    EXPECT_EQ(actions::RunWriteAction(window, runtime), actions::ExchangeOutcome::kDone);
    EXPECT_EQ(Warnings(), 1);
    EXPECT_EQ(Writes(), 1);
    runtime.objects_created = 0;
  }
}

TEST_F(WriteActionTest, EmptyAddressNeitherWarnsNorSetsTheFlag) {
  window.boxes.answers = {MessageAnswer::kOk, MessageAnswer::kYes};
  actions::RunWriteAction(window, runtime);
  EXPECT_FALSE(window.write_warned);
  EXPECT_EQ(Warnings(), 0);

  window.address = u"out.txt";
  actions::RunWriteAction(window, runtime);
  EXPECT_EQ(Warnings(), 1);
  EXPECT_EQ(Writes(), 1);
}

TEST_F(WriteActionTest, ValueIsSentExactlyAsTypedAfterTheAddress) {
  window.write_warned = true;
  window.address = u"OPC:plant.valve";
  for (const std::u16string value : {u"", u" 3 ", u"line1\r\nline2", u"Ωmega \U0001F600"}) {
    window.value = value;
    actions::RunWriteAction(window, runtime);
    ASSERT_FALSE(runtime.writes.empty());
    EXPECT_EQ(runtime.writes.back(), std::make_pair(std::u16string(u"OPC:plant.valve"), value));
    EXPECT_EQ(window.value, value);
  }
}

TEST_F(WriteActionTest, FailedWriteKeepsTheValueAndReturnsTheButtons) {
  window.write_warned = true;
  window.address = u"out.txt";
  window.value = u"99";
  runtime.script.success = AutomationValue::Boolean(false);
  actions::RunWriteAction(window, runtime);

  ASSERT_EQ(window.boxes.shown.size(), 1u);
  EXPECT_EQ(window.boxes.shown[0].prompt, u"Communication Failed!");
  EXPECT_FALSE(window.boxes.shown[0].write_enabled);
  EXPECT_EQ(window.value, u"99");
  EXPECT_TRUE(window.read_enabled);
  EXPECT_TRUE(window.write_enabled);
  EXPECT_EQ(window.focus_read_calls, 0);
}

TEST_F(WriteActionTest, RaisedErrorDuringWriteIsReportedAndKeepsTheValue) {
  window.write_warned = true;
  window.address = u"out.txt";
  window.value = u"99";
  runtime.script.failing_member = Member::kWriteOutputFile;
  runtime.script.error = ioserver::IoError(-2147352567, u"Device not ready");
  actions::RunWriteAction(window, runtime);

  ASSERT_EQ(window.boxes.shown.size(), 1u);
  EXPECT_EQ(window.boxes.shown[0].prompt, u"I/O server error -2147352567:\r\n\r\nDevice not ready");
  EXPECT_EQ(window.value, u"99");
  EXPECT_TRUE(window.read_enabled);
  EXPECT_TRUE(window.write_enabled);
  EXPECT_EQ(runtime.objects_alive, 0);
}

}  // namespace
}  // namespace rozovevi::testing
