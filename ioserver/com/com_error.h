// Turns failed COM calls into the program's IoError, in one place.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "ioserver/com/com_owners.h"
#include "ioserver/io_error.h"

namespace rozovevi::ioserver::com {

// The step that failed; it decides the number and wording the operator sees.
enum class ComStep {
  kFindClass,       // Looking up the programmatic identifier.
  kCreateObject,    // Creating the object from its class.
  kCallMember,      // Finding or invoking a member by name.
  kConvertValue,    // Converting a value at the automation boundary.
  kStartApartment,  // Initialising COM on the window's thread.
};

// The IoError for a failed HRESULT. subject names the identifier or member involved.
//
// - A failed class lookup or creation is error 429, naming the identifier.
// - A member the object does not have is error 438.
// - DISP_E_EXCEPTION carries the server's own error in exception: its wCode, or else its scode,
//   is the number and its description the description.
// - Any other HRESULT is its own number, described by the system's message for it.
// Errors in the automation-error facility (0x800A....) carry a program error number in their low
// word; that number is used, as a server raising "error 5" expects the operator to see 5.
IoError ErrorFromHresult(HRESULT result, ComStep step, std::u16string_view subject,
                         UniqueExceptionInfo* exception = nullptr);

// Throws ErrorFromHresult(...) when result is a failure.
inline void ThrowIfFailed(HRESULT result, ComStep step, std::u16string_view subject) {
  if (FAILED(result)) throw ErrorFromHresult(result, step, subject);
}

}  // namespace rozovevi::ioserver::com
