// The I/O server as the actions call it: four members reached by name, one object per action.
#pragma once

#include <string>
#include <string_view>

#include "ioserver/automation_value.h"
#include "ioserver/status.h"

namespace rozovevi::ioserver {

// One I/O server object. Every member may raise IoError. An object answers for the one read or
// write made on it; the caller creates a new one for each action and releases it afterwards.
class IoServer {
 public:
  IoServer() = default;
  IoServer(const IoServer&) = delete;
  IoServer& operator=(const IoServer&) = delete;
  virtual ~IoServer() = default;  // Releases the object.

  // Assigns the Silent property. A silent server reports nothing itself; the caller reports
  // failures.
  virtual void Silent(const AutomationValue& value) = 0;

  // Returns the value found at address (a string: a file name, or a "DDE:" or "OPC:" address).
  virtual AutomationValue ReadInputFile(const AutomationValue& address) = 0;

  // Stores value (a string) at address (a string). Any result the server gives is not used.
  virtual void WriteOutputFile(const AutomationValue& address, const AutomationValue& value) = 0;

  // WriteOutputFile with a String value, for a caller that holds the text elsewhere: value need
  // only stay valid during the call. A server in the same process reads it where it lies; the
  // default makes the String value WriteOutputFile takes.
  virtual void WriteOutputText(const AutomationValue& address, std::u16string_view value) {
    WriteOutputFile(address, AutomationValue::String(std::u16string(value)));
  }

  // Tells whether the one call made before it on this object succeeded; see ComparesEqualToFalse.
  virtual AutomationValue Success() = 0;

  // Why the last call on this object failed, for a caller in the same process (the console
  // program prints it): a failure with a one-line reason, Lasting when repeating the same call
  // cannot succeed (a malformed address, say); a success after a call that succeeded. Not an
  // automation member: a server reached through COM gives no reason, and the default answers a
  // failure with an empty reason.
  virtual Status LastFailure() const { return Status::Failure(""); }
};

}  // namespace rozovevi::ioserver
