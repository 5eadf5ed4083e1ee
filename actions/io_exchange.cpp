// The I/O exchange shared by the Read and Write actions.
#include "actions/io_exchange.h"

#include <memory>

#include "actions/messages.h"
#include "ioserver/io_error.h"

namespace rozovevi::actions {
namespace {

void SetButtonsEnabled(MainWindowSurface& window, bool enabled) {
  window.SetReadEnabled(enabled);
  window.SetWriteEnabled(enabled);
}

// Creates the object, makes it silent, makes the call and checks Success. The object is
// released when this returns or throws, so it never outlives the buttons' lock.
ExchangeOutcome ExchangeWithServer(MainWindowSurface& window, ioserver::AutomationRuntime& runtime,
                                   ExchangeSteps& steps) {
  std::unique_ptr<ioserver::IoServer> server = runtime.CreateObject(ioserver::kIoServerProgId);
  server->Silent(ioserver::AutomationValue::Boolean(true));
  steps.Call(window, *server, runtime);
  if (ioserver::ComparesEqualToFalse(server->Success())) {
    window.ShowMessage(kCommunicationFailedPrompt, MessageStyle::kCriticalOk);
    return ExchangeOutcome::kFailed;
  }
  return ExchangeOutcome::kDone;
}

}  // namespace

ExchangeOutcome RunExchange(MainWindowSurface& window, ioserver::AutomationRuntime& runtime,
                            ExchangeSteps& steps) {
  if (window.AddressText().empty()) {
    window.ShowMessage(kNoAddressPrompt, MessageStyle::kExclamationOk);
    return ExchangeOutcome::kNoAddress;
  }
  if (!steps.PassesCheck(window)) return ExchangeOutcome::kStoppedByCheck;

  SetButtonsEnabled(window, false);
  steps.Prepare(window);
  ExchangeOutcome outcome = ExchangeOutcome::kDone;
  try {
    outcome = ExchangeWithServer(window, runtime, steps);
  } catch (const ioserver::IoError& error) {
    // The object is already released; report while the buttons are still locked, then carry on
    // so that nothing the operator typed is lost.
    window.ShowMessage(ServerErrorPrompt(error.number(), error.description()),
                       MessageStyle::kCriticalOk);
    SetButtonsEnabled(window, true);
    return ExchangeOutcome::kRaisedError;
  }
  SetButtonsEnabled(window, true);
  steps.Finish(window);
  return outcome;
}

}  // namespace rozovevi::actions
