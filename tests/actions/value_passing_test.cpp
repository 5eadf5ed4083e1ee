// A large value crosses between the window and an in-process server without being copied: the
// read hands the server's own string to the window, and the write lends the window's text.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "actions/read_action.h"
#include "actions/write_action.h"
#include "ioserver/automation_runtime.h"
#include "tests/support/recording_window.h"

namespace rozovevi::testing {
namespace {

using ioserver::AutomationValue;

// Where in memory the text an in-process server gave or was given lies.
struct SeenText {
  const char16_t* read_returned = nullptr;
  const char16_t* written = nullptr;
  std::u16string written_text;
  int copied_writes = 0;
};

class NotingServer final : public ioserver::IoServer {
 public:
  NotingServer(SeenText& seen, const std::u16string& read_value)
      : seen_(seen), read_value_(read_value) {}

  void Silent(const AutomationValue&) override {}
  AutomationValue ReadInputFile(const AutomationValue&) override {
    AutomationValue value = AutomationValue::String(read_value_);
    seen_.read_returned = value.string().data();
    return value;
  }
  void WriteOutputFile(const AutomationValue&, const AutomationValue& value) override {
    ++seen_.copied_writes;
    seen_.written_text = value.string();
  }
  void WriteOutputText(const AutomationValue&, std::u16string_view value) override {
    seen_.written = value.data();
    seen_.written_text = std::u16string(value);
  }
  AutomationValue Success() override { return AutomationValue::Boolean(true); }

 private:
  SeenText& seen_;
  const std::u16string& read_value_;
};

class NotingRuntime final : public ioserver::AutomationRuntime {
 public:
  std::unique_ptr<ioserver::IoServer> CreateObject(std::u16string_view) override {
    return std::make_unique<NotingServer>(seen, read_value);
  }

  SeenText seen;
  std::u16string read_value;
};

class ValuePassingTest : public ::testing::Test {
 protected:
  // Longer than any short-string buffer, so that the string's text lives on the heap.
  const std::u16string large_value = std::u16string(4096, u'7') + u"\u00B0C \U0001F600";
  EventLog log;
  RecordingWindow window{log};
  NotingRuntime runtime;
};

TEST_F(ValuePassingTest, ReadHandsTheServersStringToTheWindow) {
  window.address = u"tank.txt";
  runtime.read_value = large_value;
  actions::RunReadAction(window, runtime);

  EXPECT_EQ(window.value, large_value);
  EXPECT_EQ(window.value.data(), runtime.seen.read_returned) << "the value was copied on its way";
}

TEST_F(ValuePassingTest, WriteLendsTheWindowsTextToTheServer) {
  window.address = u"tank.txt";
  window.value = large_value;
  window.write_warned = true;
  actions::RunWriteAction(window, runtime);

  EXPECT_EQ(runtime.seen.written_text, large_value);
  EXPECT_EQ(runtime.seen.written, window.value.data()) << "the value was copied on its way";
  EXPECT_EQ(runtime.seen.copied_writes, 0);
  EXPECT_TRUE(window.boxes.shown.empty());
}

}  // namespace
}  // namespace rozovevi::testing
