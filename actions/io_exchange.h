// The sequence both buttons follow: check, lock, create, call, check success, release, unlock.
#pragma once

#include "actions/main_window_surface.h"
#include "ioserver/automation_runtime.h"
#include "ioserver/io_server.h"

namespace rozovevi::actions {

// How an exchange ended, for a caller that has to tell the runs apart without looking at the
// messages (the console program turns it into its exit status). The window ignores it.
enum class ExchangeOutcome {
  kNoAddress,       // The address was empty; "Please specify an IO address!" was shown.
  kStoppedByCheck,  // The action's own check ended it (the write warning not answered Yes).
  kFailed,          // Success compared equal to False; "Communication Failed!" was shown.
  kRaisedError,     // Creating the object or a member raised an error (or memory ran out), shown.
  kDone,            // The call was made and the server reported success.
};

// The points at which an action fills in the exchange.
class ExchangeSteps {
 public:
  ExchangeSteps() = default;
  ExchangeSteps(const ExchangeSteps&) = delete;
  ExchangeSteps& operator=(const ExchangeSteps&) = delete;
  virtual ~ExchangeSteps() = default;

  // Runs after the address check; returns false to end the action before anything is locked.
  virtual bool PassesCheck(MainWindowSurface& window) = 0;
  // Runs once both buttons are disabled, before the server object exists.
  virtual void Prepare(MainWindowSurface& window) = 0;
  // The action's one call on the server object.
  virtual void Call(MainWindowSurface& window, ioserver::IoServer& server,
                    const ioserver::AutomationRuntime& runtime) = 0;
  // Runs after both buttons are enabled again at the end of a completed exchange.
  virtual void Finish(MainWindowSurface& window) = 0;
};

// Runs one exchange to its end on the window's thread.
//
// An empty address (compared exactly: spaces are an address) shows the exclamation message and
// changes nothing. Otherwise both buttons are disabled, a new I/O server object is created, made
// Silent, given the action's one call and asked for Success; when Success compares equal to False,
// "Communication Failed!" is shown (ShowCallFailure, with the server's LastFailure) while the
// buttons are still disabled and the object is still held. The object is then released
// and the buttons enabled again.
//
// An IoError from creating the object or from any member does not end the program: the object
// is released, the error's number and description are shown, and both buttons are enabled again.
// A failed allocation anywhere in the exchange (std::bad_alloc) is reported the same way, as
// error 7, "Out of memory".
ExchangeOutcome RunExchange(MainWindowSurface& window, ioserver::AutomationRuntime& runtime,
                            ExchangeSteps& steps);

}  // namespace rozovevi::actions
