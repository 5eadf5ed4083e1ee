// An OPC UA value as text: printed from what a server holds, parsed from what the operator typed
// into a value of a given built-in type. Pure text work, no I/O, so that it can be fuzzed.
#pragma once

#include <string>
#include <string_view>
#include <variant>

#include "ioserver/standin/opc/ua_types.h"

namespace rozovevi::ioserver::standin::opc {

// Why a value cannot be shown or written, one line of UTF-8.
struct ValueTextError {
  std::string reason;
};

// What value is, for a reason: "an array of 12 Double", "a matrix of 3x4 Int32", "a structure
// (ExtensionObject of type ns=1;i=3002)", "a single Double".
std::string DescribeContent(const Variant& value);

// Whether a value of type can be shown and written as text.
bool IsSingleTextType(BuiltinType type);

// A single value's text: true/false, decimal, the shortest float text that reads back the same
// (nan, inf, -inf), strings as they are, LocalizedText's text, QualifiedName "<ns>:<name>",
// DateTime in ISO 8601 UTC, Guid 8-4-4-4-12, ByteString base64, NodeIds in their text form,
// StatusCode by name; an empty value is the empty string. Arrays, matrices and structures are
// refused with what they hold.
std::variant<std::string, ValueTextError> FormatVariant(const Variant& value);

// Parses text for a value of type: booleans, integers and floats as MODBUS: values take them
// (white space around ignored, range checked); String and XmlElement exactly as typed;
// LocalizedText as its text with no locale; DateTime, Guid, ByteString, NodeId in their read
// forms.
std::variant<Variant, ValueTextError> ParseVariant(BuiltinType type, std::u16string_view text);

// The 100-nanosecond ticks since 1601-01-01 UTC, as "2026-12-09T01:02:03.5Z"; and back.
std::string FormatDateTime(std::int64_t ticks);
std::optional<std::int64_t> ParseDateTime(std::string_view text);

}  // namespace rozovevi::ioserver::standin::opc
