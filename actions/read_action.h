// The action behind cmdRead ("Read Value").
#pragma once

#include "actions/io_exchange.h"
#include "actions/main_window_surface.h"
#include "ioserver/automation_runtime.h"

namespace rozovevi::actions {

// Fetches the value at the address in txtAddress into txtValue. txtValue is cleared before the
// server is asked, filled with the returned value as text before Success is read, and the focus
// ends on cmdRead. Returns how the exchange ended.
ExchangeOutcome RunReadAction(MainWindowSurface& window, ioserver::AutomationRuntime& runtime);

}  // namespace rozovevi::actions
