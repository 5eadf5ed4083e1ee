// The write: the one-time warning, then WriteOutputFile with the address and the value.
#include "actions/write_action.h"

#include "actions/io_exchange.h"
#include "actions/messages.h"

namespace rozovevi::actions {
namespace {

class WriteSteps final : public ExchangeSteps {
 public:
  bool PassesCheck(MainWindowSurface& window) override {
    if (window.WriteWarned()) return true;
    // The flag records that the warning was shown, whatever the answer.
    window.SetWriteWarned(true);
    return window.ShowMessage(WriteWarningPrompt(), MessageStyle::kCriticalYesNo) ==
           MessageAnswer::kYes;
  }

  void Prepare(MainWindowSurface&) override {}

  void Call(MainWindowSurface& window, ioserver::IoServer& server,
            const ioserver::AutomationRuntime&) override {
    const auto address = ioserver::AutomationValue::String(window.AddressText());
    // The value goes to the server from where the window keeps it, never copied first.
    window.WithValueText(
        [&server, &address](std::u16string_view value) { server.WriteOutputText(address, value); });
  }

  void Finish(MainWindowSurface&) override {}
};

}  // namespace

ExchangeOutcome RunWriteAction(MainWindowSurface& window, ioserver::AutomationRuntime& runtime) {
  WriteSteps steps;
  return RunExchange(window, runtime, steps);
}

}  // namespace rozovevi::actions
