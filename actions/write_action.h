// The action behind cmdWrite ("Write Value").
#pragma once

#include "actions/io_exchange.h"
#include "actions/main_window_surface.h"
#include "ioserver/automation_runtime.h"

namespace rozovevi::actions {

// Sends the text of txtValue to the address in txtAddress. The first attempt of a run that has an
// address shows a warning (and marks blnWriteWarned before showing it); any answer but Yes ends
// that attempt (ExchangeOutcome::kStoppedByCheck). txtValue is not changed and the focus is not
// moved. Returns how the exchange ended.
ExchangeOutcome RunWriteAction(MainWindowSurface& window, ioserver::AutomationRuntime& runtime);

}  // namespace rozovevi::actions
