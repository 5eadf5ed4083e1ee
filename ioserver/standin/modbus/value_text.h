// A Modbus item's value as text: parsed from what the operator typed, printed from what the
// device holds. Pure text work, no I/O, so that it can be fuzzed.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

#include "ioserver/standin/modbus/modbus_address.h"

namespace rozovevi::ioserver::standin::modbus {

// A value as the device holds it: a bit as 0 or 1, or the bits of a 16-, 32- or 64-bit value in
// the low bits (two's complement for the signed types, IEEE 754 for the floating-point ones).
using RawValue = std::uint64_t;

// Parses a value to write; a refusal is a failure with a one-line reason. ASCII white space around
// it is ignored. bool takes 0, 1, true, false, on, off in any case; integers an optional sign, then
// decimal digits or 0x and hex digits, within the type's range (never wrapped); floats the C
// locale's decimal form whatever the process's locale (1.5, -2e3, nan, inf), a NaN written as the
// quiet NaN and a finite value beyond the type's range refused.
std::variant<RawValue, Status> ParseValueText(ValueType type, std::string_view text);
std::variant<RawValue, Status> ParseValueText(ValueType type, std::u16string_view text);

// The value's text: 0 or 1, plain decimal, or the shortest text that reads back as the same
// float of that type (std::to_chars), with every NaN as "nan". ASCII.
std::string FormatValue(ValueType type, RawValue raw);

}  // namespace rozovevi::ioserver::standin::modbus
