// Conversions between VARIANTs and the program's AutomationValue, and the platform's text form.
#pragma once

#include <windows.h>
// After windows.h, which it needs.
#include <oleauto.h>

#include <string>
#include <string_view>

#include "ioserver/automation_value.h"
#include "ioserver/com/com_owners.h"

namespace rozovevi::ioserver::com {

// The VARIANT passed to a member for value: strings as BSTR with every code unit kept, Booleans
// with their bits, Int32 as VT_I4, Double as VT_R8, Empty and Null as themselves.
UniqueVariant ToVariant(const AutomationValue& value);

// The VARIANT for a String value with this text: a BSTR made straight from it.
UniqueVariant TextVariant(std::u16string_view text);

// The AutomationValue for a VARIANT a member returned. References are followed. Integers become
// Int32 where they fit and Double otherwise, except 64-bit integers; VT_R4 and VT_R8 become
// Double. Kinds the program has no value for (dates, currency, decimals, 64-bit integers, objects
// with a default value) are turned into text here with the platform's conversion, so they show as
// the platform would show them. A VARIANT without a text form raises IoError.
AutomationValue FromVariant(const VARIANT& variant);

// The platform's standard text for a value: VariantChangeTypeEx to VT_BSTR in the user's locale,
// with Booleans as "True" and "False". Null has no text form: IoError 94 "Invalid use of Null".
std::u16string VariantText(const AutomationValue& value);

}  // namespace rozovevi::ioserver::com
