// The watch loop: one read exchange per interval, a line for each change.
#include "app/console/watch_program.h"

#include <optional>
#include <string>
#include <utility>

#include "actions/io_exchange.h"
#include "actions/messages.h"
#include "actions/read_action.h"
#include "app/console/console_surface.h"
#include "app/console/console_texts.h"
#include "app/console/exit_status.h"
#include "app/console/watch_text.h"
#include "ioserver/utf8.h"

namespace rozovevi::app::console {
namespace {

using actions::ExchangeOutcome;
using actions::MessageAnswer;
using actions::MessageStyle;

constexpr std::u16string_view kFailedMark = u"FAILED: ";
using Interval = decltype(Command::interval);

// The exchange's window for one watched read: the value and the last message are kept, nothing
// is printed.
class WatchSurface final : public actions::MainWindowSurface {
 public:
  explicit WatchSurface(std::u16string address) : address_(std::move(address)) {}

  std::u16string AddressText() const override { return address_; }
  void WithValueText(const std::function<void(std::u16string_view)>& use) const override {
    use(value_);
  }
  void SetValueText(std::u16string text) override { value_ = std::move(text); }
  void SetReadEnabled(bool) override {}
  void SetWriteEnabled(bool) override {}
  void FocusRead() override {}
  MessageAnswer ShowMessage(std::u16string_view prompt, MessageStyle) override {
    message_ = OneLine(prompt);
    return MessageAnswer::kOk;
  }
  void ShowCallFailure(std::u16string_view prompt, const ioserver::Status& failure) override {
    message_ = OneLine(prompt);
    failure_ = failure;
  }
  bool WriteWarned() const override { return true; }
  void SetWriteWarned(bool) override {}

  const std::u16string& value() const { return value_; }
  const std::u16string& message() const { return message_; }
  // What the server said of a call it answered as failed; a success when it answered none.
  const ioserver::Status& failure() const { return failure_; }

 private:
  std::u16string address_;
  std::u16string value_;
  std::u16string message_;
  ioserver::Status failure_;
};

// What one read found: the value, or why it failed.
struct Reading {
  bool ok = false;
  std::u16string text;

  // A failure after a failure is no change.
  bool SameAs(const Reading& other) const { return ok == other.ok && (!ok || text == other.text); }
};

}  // namespace

int RunWatch(const Command& command, ConsoleStreams& streams, const RuntimeFactory& make_runtime,
             WatchClock& clock) {
  if (command.address.empty()) {
    WriteMessage(streams, actions::kNoAddressPrompt);
    return exit_status::kUsage;
  }
  ConsoleSurface messages(streams, command.address, u"", false);
  std::unique_ptr<ioserver::AutomationRuntime> runtime = MakeRuntime(messages, make_runtime);
  if (!runtime) return exit_status::kRaisedError;

  // Sub-second intervals show milliseconds, so that the lines tell the reads apart.
  const bool milliseconds = command.interval % std::chrono::seconds(1) != Interval::zero();
  std::optional<Reading> shown;
  std::uint64_t lines = 0;
  auto next = clock.Monotonic();
  for (;;) {
    WatchSurface surface(command.address);
    const ExchangeOutcome outcome = actions::RunReadAction(surface, *runtime);
    const LocalTime time = clock.Now();
    Reading reading;
    if (outcome == ExchangeOutcome::kDone) {
      reading = Reading{true, surface.value()};
    } else {
      const std::u16string reason = ioserver::WidenUtf8(surface.failure().reason());
      if (surface.failure().lasting()) {
        WriteMessage(streams, surface.message() + WithReason(reason));
        return exit_status::kFailed;
      }
      reading = Reading{false, reason.empty() ? surface.message() : OneLine(reason)};
    }
    if (!shown || !reading.SameAs(*shown)) {
      std::u16string line = FormatLocalTime(time, milliseconds) + u" ";
      line +=
          reading.ok ? EscapeLineEnds(reading.text) : std::u16string(kFailedMark) + reading.text;
      line += streams.LineEnd();
      if (const int status = WriteResult(streams, line); status != exit_status::kDone) {
        return status;
      }
      shown = std::move(reading);
      if (command.count && ++lines >= *command.count) return exit_status::kDone;
    }
    // The next read is due an interval after this one began; a read that took longer is
    // followed at once, never by a burst to catch up.
    next += command.interval;
    const auto now = clock.Monotonic();
    if (next < now) next = now;
    if (!clock.Wait(std::chrono::duration_cast<std::chrono::microseconds>(next - now))) {
      return exit_status::kDone;
    }
  }
}

}  // namespace rozovevi::app::console
