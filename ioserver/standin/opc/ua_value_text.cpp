// Values of the built-in types as text, both ways. Booleans, integers and floats share the
// MODBUS: kind's forms through its value text functions.
#include "ioserver/standin/opc/ua_value_text.h"

#include <limits>

#include "ioserver/ascii_text.h"
#include "ioserver/standin/modbus/value_text.h"
#include "ioserver/standin/opc/opc_address.h"
#include "ioserver/standin/opc/ua_status.h"
#include "ioserver/utf8.h"

namespace rozovevi::ioserver::standin::opc {
namespace {

using modbus::ValueType;

constexpr std::int64_t kTicksPerSecond = 10000000;
constexpr std::int64_t kSecondsPerDay = 86400;
constexpr int kFractionDigits = 7;
// Days from 1601-01-01 to 1970-01-01.
constexpr std::int64_t kDaysFrom1601To1970 = 134774;
constexpr int kEarliestYear = 1601;
constexpr int kLatestYear = 9999;

struct Civil {
  std::int64_t year;
  int month;
  int day;
};

// Days since 1970-01-01 from a proleptic Gregorian date, and back (H. Hinnant's algorithms).
std::int64_t DaysFromCivil(std::int64_t y, int m, int d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const std::int64_t yoe = y - era * 400;
  const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

Civil CivilFromDays(std::int64_t z) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const std::int64_t doe = z - era * 146097;
  const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const std::int64_t mp = (5 * doy + 2) / 153;
  const int d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  const int m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  return Civil{yoe + era * 400 + (m <= 2), m, d};
}

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
  return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}

std::string Padded(std::int64_t value, int width) {
  std::string text = std::to_string(value);
  if (text.size() < static_cast<std::size_t>(width)) {
    text.insert(0, static_cast<std::size_t>(width) - text.size(), '0');
  }
  return text;
}

// The integer types and the MODBUS: type that parses and prints them, with their bounds where
// that type is wider.
struct IntegerForm {
  BuiltinType type;
  ValueType modbus_type;
  std::int64_t lowest;
  std::int64_t highest;
  int bytes;
};

constexpr IntegerForm kIntegerForms[] = {
    {BuiltinType::kSByte, ValueType::kI16, -128, 127, 1},
    {BuiltinType::kByte, ValueType::kU16, 0, 255, 1},
    {BuiltinType::kInt16, ValueType::kI16, 0, 0, 2},
    {BuiltinType::kUInt16, ValueType::kU16, 0, 0, 2},
    {BuiltinType::kInt32, ValueType::kI32, 0, 0, 4},
    {BuiltinType::kUInt32, ValueType::kU32, 0, 0, 4},
    {BuiltinType::kInt64, ValueType::kI64, 0, 0, 8},
    {BuiltinType::kUInt64, ValueType::kU64, 0, 0, 8},
};

const IntegerForm* IntegerFormOf(BuiltinType type) {
  for (const IntegerForm& form : kIntegerForms) {
    if (form.type == type) return &form;
  }
  return nullptr;
}

std::int64_t SignExtended(std::uint64_t bits, int bytes) {
  if (bytes == 8) return static_cast<std::int64_t>(bits);
  const std::uint64_t sign = std::uint64_t{1} << (8 * bytes - 1);
  const std::uint64_t mask = (std::uint64_t{1} << (8 * bytes)) - 1;
  bits &= mask;
  return static_cast<std::int64_t>((bits ^ sign) - sign);
}

// The MODBUS: reasons name their own types at the end ("(i16)"); ours name the built-in type.
ValueTextError Renamed(std::string reason, ValueType modbus_type, BuiltinType type) {
  const std::string suffix = " (" + std::string(modbus::NameOf(modbus_type)) + ")";
  if (reason.size() >= suffix.size() &&
      reason.compare(reason.size() - suffix.size(), suffix.size(), suffix) == 0) {
    reason.resize(reason.size() - suffix.size());
  }
  return ValueTextError{reason + " (" + NameOf(type) + ")"};
}

ValueTextError NotA(std::string_view text, const char* what, BuiltinType type) {
  return ValueTextError{"the value " + QuotedForReason(text) + " is not " + what + " (" +
                        NameOf(type) + ")"};
}

bool IsStringIdentifier(const std::variant<NodeRef, std::string>& node) {
  const NodeRef* ref = std::get_if<NodeRef>(&node);
  return ref != nullptr && ref->id.id_type == IdType::kString;
}

}  // namespace

bool IsSingleTextType(BuiltinType type) {
  return type >= BuiltinType::kBoolean && type <= BuiltinType::kLocalizedText;
}

std::string DescribeContent(const Variant& value) {
  const std::string type = NameOf(value.type);
  if (value.dimensions.size() > 1) {
    std::string sizes;
    for (std::size_t i = 0; i < value.dimensions.size(); ++i) {
      if (i > 0) sizes += "x";
      sizes += std::to_string(value.dimensions[i]);
    }
    return "a matrix of " + sizes + " " + type;
  }
  if (value.is_array) {
    if (value.array_length < 0) return "a null array of " + type;
    return "an array of " + std::to_string(value.array_length) + " " + type;
  }
  if (value.type == BuiltinType::kExtensionObject) {
    return "a structure (ExtensionObject of type " + FormatNodeId(value.extension_type) + ")";
  }
  return "a single " + type;
}

std::variant<std::string, ValueTextError> FormatVariant(const Variant& value) {
  if (value.is_array || !value.dimensions.empty() ||
      (value.type != BuiltinType::kNull && !IsSingleTextType(value.type))) {
    return ValueTextError{"the node holds " + DescribeContent(value) +
                          "; only single values can be read or written"};
  }
  switch (value.type) {
    case BuiltinType::kNull:
      return std::string();
    case BuiltinType::kBoolean:
      return std::string(value.bits != 0 ? "true" : "false");
    case BuiltinType::kFloat:
      return modbus::FormatValue(ValueType::kF32, value.bits);
    case BuiltinType::kDouble:
      return modbus::FormatValue(ValueType::kF64, value.bits);
    case BuiltinType::kString:
    case BuiltinType::kXmlElement:
    case BuiltinType::kLocalizedText:
      return value.text.value_or(std::string());
    case BuiltinType::kQualifiedName: {
      const std::string name = value.text.value_or(std::string());
      if (value.name_index == 0) return name;
      return std::to_string(value.name_index) + ":" + name;
    }
    case BuiltinType::kDateTime:
      return FormatDateTime(static_cast<std::int64_t>(value.bits));
    case BuiltinType::kGuid:
      return FormatGuid(value.guid);
    case BuiltinType::kByteString:
      return EncodeBase64(value.text.value_or(std::string()));
    case BuiltinType::kNodeId:
      return FormatNodeId(value.node.node);
    case BuiltinType::kExpandedNodeId:
      return FormatExpandedNodeId(value.node);
    case BuiltinType::kStatusCode:
      return StatusName(static_cast<StatusCode>(value.bits));
    default:
      break;
  }
  const IntegerForm* form = IntegerFormOf(value.type);
  const bool is_signed = form->modbus_type == ValueType::kI16 ||
                         form->modbus_type == ValueType::kI32 ||
                         form->modbus_type == ValueType::kI64;
  if (is_signed) return std::to_string(SignExtended(value.bits, form->bytes));
  const std::uint64_t mask =
      form->bytes == 8 ? ~std::uint64_t{0} : (std::uint64_t{1} << (8 * form->bytes)) - 1;
  return std::to_string(value.bits & mask);
}

std::variant<Variant, ValueTextError> ParseVariant(BuiltinType type, std::u16string_view typed) {
  Variant value;
  value.type = type;
  const std::optional<std::string> utf8 = EncodeUtf8(typed);
  if (!utf8) return ValueTextError{"the value is not valid text (an unpaired surrogate)"};
  const std::string_view text = *utf8;
  const std::string_view trimmed = TrimAsciiSpace(text);

  if (type == BuiltinType::kBoolean || type == BuiltinType::kFloat ||
      type == BuiltinType::kDouble) {
    const ValueType modbus_type = type == BuiltinType::kBoolean ? ValueType::kBool
                                  : type == BuiltinType::kFloat ? ValueType::kF32
                                                                : ValueType::kF64;
    auto raw = modbus::ParseValueText(modbus_type, typed);
    if (auto* error = std::get_if<Status>(&raw)) {
      return Renamed(error->reason(), modbus_type, type);
    }
    value.bits = std::get<modbus::RawValue>(raw);
    return value;
  }
  if (const IntegerForm* form = IntegerFormOf(type)) {
    auto raw = modbus::ParseValueText(form->modbus_type, typed);
    if (auto* error = std::get_if<Status>(&raw)) {
      return Renamed(error->reason(), form->modbus_type, type);
    }
    value.bits = std::get<modbus::RawValue>(raw);
    if (form->bytes == 1) {
      const std::int64_t number =
          form->lowest < 0 ? SignExtended(value.bits, 2) : static_cast<std::int64_t>(value.bits);
      if (number < form->lowest || number > form->highest) {
        return NotA(trimmed, "within the type's range", type);
      }
      value.bits &= 0xFF;
    }
    return value;
  }
  switch (type) {
    case BuiltinType::kString:
    case BuiltinType::kXmlElement:
    case BuiltinType::kLocalizedText:
      value.text = std::string(text);
      return value;
    case BuiltinType::kDateTime: {
      const auto ticks = ParseDateTime(trimmed);
      if (!ticks) return NotA(trimmed, "a UTC time such as 2026-12-09T01:02:03.5Z", type);
      value.bits = static_cast<std::uint64_t>(*ticks);
      return value;
    }
    case BuiltinType::kGuid: {
      const auto guid = ParseGuid(trimmed);
      if (!guid) return NotA(trimmed, "8-4-4-4-12 hex digits", type);
      value.guid = *guid;
      return value;
    }
    case BuiltinType::kByteString: {
      auto bytes = DecodeBase64(trimmed);
      if (!bytes) return NotA(trimmed, "base64", type);
      value.text = *std::move(bytes);
      return value;
    }
    case BuiltinType::kNodeId: {
      // A string identifier is text and keeps its white space at the end, as a String value
      // does: a value read and written back stays the same node. Every other form is trimmed.
      auto node = ParseNodeId(TrimLeadingAsciiSpace(text));
      if (!IsStringIdentifier(node)) node = ParseNodeId(trimmed);
      if (auto* reason = std::get_if<std::string>(&node)) return ValueTextError{*reason};
      const NodeRef& ref = std::get<NodeRef>(node);
      if (ref.namespace_uri) {
        return ValueTextError{"a NodeId value takes ns=<index>;, not nsu=<URI>;"};
      }
      value.node.node = ref.id;
      return value;
    }
    case BuiltinType::kQualifiedName: {
      // "<ns>:<name>", or a name in namespace 0.
      const std::size_t colon = text.find(':');
      const auto index = colon == std::string_view::npos
                             ? std::nullopt
                             : ParseDecimal(text.substr(0, colon), 65535);
      value.name_index = index ? static_cast<std::uint16_t>(*index) : 0;
      value.text = std::string(index ? text.substr(colon + 1) : text);
      return value;
    }
    default:
      return ValueTextError{"a value of type " + NameOf(type) + " cannot be written as text"};
  }
}

std::string FormatDateTime(std::int64_t ticks) {
  // The remainder first: seconds * kTicksPerSecond can pass the range of std::int64_t at its
  // ends, which a server may send as "no time".
  const std::int64_t seconds = FloorDiv(ticks, kTicksPerSecond);
  std::int64_t fraction = ticks % kTicksPerSecond;
  if (fraction < 0) fraction += kTicksPerSecond;
  const std::int64_t days = FloorDiv(seconds, kSecondsPerDay);
  const std::int64_t in_day = seconds - days * kSecondsPerDay;
  const Civil date = CivilFromDays(days - kDaysFrom1601To1970);
  std::string text = Padded(date.year, 4) + "-" + Padded(date.month, 2) + "-" +
                     Padded(date.day, 2) + "T" + Padded(in_day / 3600, 2) + ":" +
                     Padded(in_day / 60 % 60, 2) + ":" + Padded(in_day % 60, 2);
  if (fraction != 0) {
    std::string digits = Padded(fraction, kFractionDigits);
    while (digits.back() == '0') digits.pop_back();
    text += "." + digits;
  }
  return text + "Z";
}

std::optional<std::int64_t> ParseDateTime(std::string_view text) {
  // YYYY-MM-DDTHH:MM:SS[.f{1,7}]Z
  constexpr std::string_view kShape = "dddd-dd-ddTdd:dd:dd";
  if (text.size() < kShape.size() + 1 || text.back() != 'Z') return std::nullopt;
  for (std::size_t i = 0; i < kShape.size(); ++i) {
    const bool digit = text[i] >= '0' && text[i] <= '9';
    if (kShape[i] == 'd' ? !digit : text[i] != kShape[i]) return std::nullopt;
  }
  auto number = [&text](std::size_t from, std::size_t count) {
    int value = 0;
    for (std::size_t i = from; i < from + count; ++i) value = value * 10 + (text[i] - '0');
    return value;
  };
  const int year = number(0, 4);
  const int month = number(5, 2);
  const int day = number(8, 2);
  const int hour = number(11, 2);
  const int minute = number(14, 2);
  const int second = number(17, 2);
  std::int64_t fraction = 0;
  const std::string_view rest = text.substr(kShape.size(), text.size() - kShape.size() - 1);
  if (!rest.empty()) {
    if (rest.front() != '.' || rest.size() < 2 || rest.size() > 1 + kFractionDigits) {
      return std::nullopt;
    }
    for (std::size_t i = 1; i < rest.size(); ++i) {
      if (rest[i] < '0' || rest[i] > '9') return std::nullopt;
      fraction = fraction * 10 + (rest[i] - '0');
    }
    for (std::size_t i = rest.size() - 1; i < static_cast<std::size_t>(kFractionDigits); ++i) {
      fraction *= 10;
    }
  }
  if (year < kEarliestYear || year > kLatestYear || month < 1 || month > 12 || day < 1 ||
      hour > 23 || minute > 59 || second > 59) {
    return std::nullopt;
  }
  const std::int64_t days = DaysFromCivil(year, month, day);
  if (CivilFromDays(days).day != day) return std::nullopt;  // 2026-02-30 and the like.
  const std::int64_t seconds =
      (days + kDaysFrom1601To1970) * kSecondsPerDay + hour * 3600 + minute * 60 + second;
  return seconds * kTicksPerSecond + fraction;
}

}  // namespace rozovevi::ioserver::standin::opc
