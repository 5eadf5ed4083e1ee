// Calling a member of an automation object by its name at the moment of the call.
#pragma once

#include <windows.h>
// After windows.h, which it needs.
#include <oleauto.h>

#include <string_view>
#include <vector>

#include "ioserver/com/com_owners.h"

namespace rozovevi::ioserver::com {

// How a member is invoked.
enum class CallKind : WORD {
  kPropertyPut = DISPATCH_PROPERTYPUT,
  kMethod = DISPATCH_METHOD,
  // A method or a property read: whichever the object has under that name.
  kMethodOrGet = DISPATCH_METHOD | DISPATCH_PROPERTYGET,
};

// Looks up member's DISPID with GetIDsOfNames, then invokes it with the arguments in the order
// they are written (first argument first; a property assignment takes the new value as its one
// argument). Returns what the member returned, VT_EMPTY when nothing. Raises IoError for every
// failure (see ErrorFromHresult).
UniqueVariant CallByName(IDispatch& object, std::u16string_view member, CallKind kind,
                         std::vector<UniqueVariant> arguments = {});

}  // namespace rozovevi::ioserver::com
