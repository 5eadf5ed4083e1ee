// The watch loop on a fake clock: when it reads, which readings it prints and when it stops, with
// no real time passing.
#include "app/console/watch_program.h"

#include <gtest/gtest.h>

#include <chrono>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "app/console/exit_status.h"
#include "fake_streams.h"
#include "ioserver/automation_runtime.h"
#include "ioserver/status.h"

namespace rozovevi::app::console {
namespace {

using namespace std::chrono_literals;
using ioserver::AutomationValue;
using ioserver::Status;
using testing_support::FakeStreams;
using Clock = std::chrono::steady_clock;

// Time passes only when the watch waits or a read takes it. Every wait after the last allowed
// one is a stop request, so that no test can loop for ever.
class FakeClock final : public WatchClock {
 public:
  Clock::time_point now{};
  std::vector<std::chrono::microseconds> waits;
  std::size_t waits_allowed = 100;

  LocalTime Now() const override { return LocalTime{2026, 12, 9, 4, 5, 6, 7, 60}; }
  bool Wait(std::chrono::microseconds duration) override {
    if (waits.size() >= waits_allowed) return false;
    waits.push_back(duration);
    now += duration;
    return true;
  }
  Clock::time_point Monotonic() const override { return now; }
};

// What one read answers, and how long the server takes over it.
struct Answer {
  Status status;
  std::u16string value;
  std::chrono::milliseconds takes = 0ms;
};

Answer Value(std::u16string value, std::chrono::milliseconds takes = 0ms) {
  return Answer{Status::Ok(), std::move(value), takes};
}
Answer Failed(std::string reason) { return Answer{Status::Failure(std::move(reason)), u""}; }

// A server whose reads answer from a list, in order, and take the fake clock's time. Reads past
// the end of the list fail.
class AnsweringRuntime final : public ioserver::AutomationRuntime {
 public:
  explicit AnsweringRuntime(FakeClock& clock, std::deque<Answer> answers)
      : clock_(clock), answers_(std::move(answers)) {}

  std::vector<Clock::time_point> read_starts;

  std::unique_ptr<ioserver::IoServer> CreateObject(std::u16string_view) override {
    return std::make_unique<Server>(*this);
  }

 private:
  class Server final : public ioserver::IoServer {
   public:
    explicit Server(AnsweringRuntime& runtime) : runtime_(runtime) {}
    void Silent(const AutomationValue&) override {}
    AutomationValue ReadInputFile(const AutomationValue&) override {
      runtime_.read_starts.push_back(runtime_.clock_.now);
      if (runtime_.answers_.empty()) {
        answer_ = Failed("no answer left");
      } else {
        answer_ = runtime_.answers_.front();
        runtime_.answers_.pop_front();
      }
      runtime_.clock_.now += answer_.takes;
      return answer_.status.ok() ? AutomationValue::String(answer_.value) : AutomationValue();
    }
    void WriteOutputFile(const AutomationValue&, const AutomationValue&) override {
      ADD_FAILURE() << "watch wrote";
    }
    AutomationValue Success() override { return AutomationValue::Boolean(answer_.status.ok()); }
    Status LastFailure() const override { return answer_.status; }

   private:
    AnsweringRuntime& runtime_;
    Answer answer_;
  };

  FakeClock& clock_;
  std::deque<Answer> answers_;
};

class WatchProgramTest : public ::testing::Test {
 protected:
  int Watch(std::deque<Answer> answers) {
    runtime_ = std::make_shared<AnsweringRuntime>(clock, std::move(answers));
    return RunWatch(
        command, streams, [this] { return std::make_unique<Lent>(*runtime_); }, clock);
  }
  // The read starts as offsets from the first.
  std::vector<Clock::duration> ReadTimes() const {
    std::vector<Clock::duration> times;
    for (Clock::time_point start : runtime_->read_starts) {
      times.push_back(start - runtime_->read_starts.front());
    }
    return times;
  }
  std::size_t Reads() const { return runtime_->read_starts.size(); }

  Command command = WatchOf(u"value.txt");
  FakeClock clock;
  FakeStreams streams;

 private:
  static Command WatchOf(std::u16string address) {
    Command watch;
    watch.task = Task::kWatch;
    watch.address = std::move(address);
    return watch;
  }
  // Lends the test's runtime to the watch, which owns what its factory returns.
  class Lent final : public ioserver::AutomationRuntime {
   public:
    explicit Lent(ioserver::AutomationRuntime& runtime) : runtime_(runtime) {}
    std::unique_ptr<ioserver::IoServer> CreateObject(std::u16string_view prog_id) override {
      return runtime_.CreateObject(prog_id);
    }

   private:
    ioserver::AutomationRuntime& runtime_;
  };
  std::shared_ptr<AnsweringRuntime> runtime_;
};

// Each read begins an interval after the one before began, however long that one took, unless it
// took longer than the interval: then the next follows at once, and the interval counts again
// from there, with no burst of reads to catch up.
TEST_F(WatchProgramTest, ReadsAnIntervalAfterEachReadBeganAndFollowsASlowOneAtOnce) {
  clock.waits_allowed = 4;
  EXPECT_EQ(Watch({Value(u"a", 200ms), Value(u"a", 3500ms), Value(u"a", 100ms), Value(u"a"),
                   Value(u"a")}),
            exit_status::kDone);
  EXPECT_EQ(ReadTimes(), (std::vector<Clock::duration>{0ms, 1000ms, 4500ms, 5500ms, 6500ms}));
  EXPECT_EQ(clock.waits, (std::vector<std::chrono::microseconds>{800ms, 0ms, 900ms, 1000ms}));
}

// A line for the first reading and for each change of value or of success; a failure after a
// failure is no change whatever its reason, and a failure without one shows the message.
TEST_F(WatchProgramTest, PrintsTheFirstReadingAndEachChangeOnly) {
  command.interval = 250ms;
  clock.waits_allowed = 7;
  EXPECT_EQ(Watch({Value(u"a\r\nb"), Value(u"a\r\nb"), Failed("cannot open the file"),
                   Failed("it is a directory, not a file"), Value(u"3"), Value(u"3"), Failed(""),
                   Value(u"")}),
            exit_status::kDone);
  EXPECT_EQ(streams.output,
            u"2026-12-09T04:05:06.007+01:00 a\\r\\nb\n"
            u"2026-12-09T04:05:06.007+01:00 FAILED: cannot open the file\n"
            u"2026-12-09T04:05:06.007+01:00 3\n"
            u"2026-12-09T04:05:06.007+01:00 FAILED: Communication Failed!\n"
            u"2026-12-09T04:05:06.007+01:00 \n");
  EXPECT_EQ(streams.error, u"");
}

TEST_F(WatchProgramTest, StopsAfterCountLinesOrAtAStopRequest) {
  command.count = 2;
  EXPECT_EQ(Watch({Value(u"a"), Value(u"a"), Value(u"b"), Value(u"c")}), exit_status::kDone);
  EXPECT_EQ(streams.output, u"2026-12-09T04:05:06+01:00 a\n2026-12-09T04:05:06+01:00 b\n");
  EXPECT_EQ(Reads(), 3u);

  // A stop asked during the first wait: the line so far, no second read.
  streams.output.clear();
  command.count.reset();
  clock.waits.clear();
  clock.waits_allowed = 0;
  EXPECT_EQ(Watch({Value(u"a"), Value(u"b")}), exit_status::kDone);
  EXPECT_EQ(streams.output, u"2026-12-09T04:05:06+01:00 a\n");
  EXPECT_EQ(Reads(), 1u);
}

// A failure that no repetition can mend ends the watch at once, reported as read reports it.
TEST_F(WatchProgramTest, LastingFailureEndsItAtOnceWithItsReason) {
  EXPECT_EQ(Watch({Answer{Status::Lasting("the unit \"x\" is not 0-255"), u""}, Value(u"a")}),
            exit_status::kFailed);
  EXPECT_EQ(streams.error, u"rozovevi-io: Communication Failed! (the unit \"x\" is not 0-255)\n");
  EXPECT_EQ(streams.output, u"");
  EXPECT_EQ(Reads(), 1u);
  EXPECT_TRUE(clock.waits.empty());
}

// A clock the platform cannot make is an error, reported with the raised-error status; nothing
// is read.
TEST(WatchClockTest, AClockThatCannotBeMadeIsAnErrorWithStatusThree) {
  FakeStreams streams;
  int runtimes_made = 0;
  const int status = RunConsoleProgram(
      {u"watch", u"value.txt"}, streams,
      [&runtimes_made]() -> std::unique_ptr<ioserver::AutomationRuntime> {
        ++runtimes_made;
        return nullptr;
      },
      []() -> std::unique_ptr<WatchClock> {
        throw WatchClockError(8, "the event that Ctrl+C sets cannot be created: Not enough memory");
      });
  EXPECT_EQ(status, exit_status::kRaisedError);
  EXPECT_EQ(streams.error,
            u"rozovevi-io: watch cannot start: the event that Ctrl+C sets cannot be created: Not "
            u"enough memory\n");
  EXPECT_EQ(streams.output, u"");
  EXPECT_EQ(runtimes_made, 0);
}

}  // namespace
}  // namespace rozovevi::app::console
