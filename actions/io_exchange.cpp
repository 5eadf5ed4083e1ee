// The I/O exchange shared by the Read and Write actions.
#include "actions/io_exchange.h"

#include <memory>
#include <new>

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
    // Asked now: the reason goes with the object.
    window.ShowCallFailure(kCommunicationFailedPrompt, server->LastFailure());
    return ExchangeOutcome::kFailed;
  }
  return ExchangeOutcome::kDone;
}

// Reports an error raised during the exchange. The object is already released; the report
// comes while the buttons are still locked, then they come back, so that nothing the operator
// typed is lost.
void ReportRaisedError(MainWindowSurface& window, const ioserver::IoError& error) {
  window.ShowMessage(ServerErrorPrompt(error.number(), error.description()),
                     MessageStyle::kCriticalOk);
  SetButtonsEnabled(window, true);
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
    ReportRaisedError(window, error);
    return ExchangeOutcome::kRaisedError;
  } catch (const std::bad_alloc&) {
    // A value too large for memory, from the server or on its way into the window: everything
    // it took is released by now, so the report and the window have room again.
    ReportRaisedError(window, ioserver::OutOfMemoryError());
    return ExchangeOutcome::kRaisedError;
  }
  SetButtonsEnabled(window, true);
  steps.Finish(window);
  return outcome;
}

}  // namespace rozovevi::actions
