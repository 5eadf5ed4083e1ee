// The read: clear txtValue, ReadInputFile, show the result as text, focus cmdRead.
#include "actions/read_action.h"

#include <utility>

#include "actions/io_exchange.h"

namespace rozovevi::actions {
namespace {

class ReadSteps final : public ExchangeSteps {
 public:
  bool PassesCheck(MainWindowSurface&) override { return true; }

  void Prepare(MainWindowSurface& window) override { window.SetValueText(std::u16string()); }

  void Call(MainWindowSurface& window, ioserver::IoServer& server,
            const ioserver::AutomationRuntime& runtime) override {
    ioserver::AutomationValue value =
        server.ReadInputFile(ioserver::AutomationValue::String(window.AddressText()));
    // A string converts to itself, so the server's string itself goes to txtValue: a copy of a
    // large value would cost a pass over it and hold it twice.
    if (value.kind() == ioserver::ValueKind::kString) {
      window.SetValueText(std::move(value).TakeString());
    } else {
      window.SetValueText(runtime.ConvertToText(value));
    }
  }

  void Finish(MainWindowSurface& window) override { window.FocusRead(); }
};

}  // namespace

ExchangeOutcome RunReadAction(MainWindowSurface& window, ioserver::AutomationRuntime& runtime) {
  ReadSteps steps;
  return RunExchange(window, runtime, steps);
}

}  // namespace rozovevi::actions
