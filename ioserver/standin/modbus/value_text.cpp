// Values as text: bounded integer parsing, locale-free floats, shortest printing.
#include "ioserver/standin/modbus/value_text.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <optional>
#include <system_error>

#include "ioserver/ascii_text.h"

namespace rozovevi::ioserver::standin::modbus {
namespace {

constexpr std::uint32_t kQuietNan32 = 0x7FC00000u;
constexpr std::uint64_t kQuietNan64 = 0x7FF8000000000000u;
constexpr std::string_view kHexPrefix = "0x";
constexpr std::size_t kLongestValueText = 64;  // Longer than any shortest float or integer.

struct Truth {
  std::string_view text;  // Lower case.
  bool value;
};
constexpr Truth kTruths[] = {{"0", false},   {"1", true},    {"false", false},
                             {"true", true}, {"off", false}, {"on", true}};

struct IntegerRange {
  std::int64_t lowest;  // As a signed number; 0 for the unsigned types.
  std::uint64_t highest;
  int bits;
};

IntegerRange RangeOf(ValueType type) {
  switch (type) {
    case ValueType::kU16:
      return {0, std::numeric_limits<std::uint16_t>::max(), 16};
    case ValueType::kI16:
      return {std::numeric_limits<std::int16_t>::min(),
              static_cast<std::uint64_t>(std::numeric_limits<std::int16_t>::max()), 16};
    case ValueType::kU32:
      return {0, std::numeric_limits<std::uint32_t>::max(), 32};
    case ValueType::kI32:
      return {std::numeric_limits<std::int32_t>::min(),
              static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max()), 32};
    case ValueType::kU64:
      return {0, std::numeric_limits<std::uint64_t>::max(), 64};
    default:
      break;
  }
  return {std::numeric_limits<std::int64_t>::min(),
          static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()), 64};
}

Status Refused(ValueType type, std::string_view text, std::string_view why) {
  return Status::Failure("the value " + QuotedForReason(text) + " is not " + std::string(why) +
                         " (" + std::string(NameOf(type)) + ")");
}

std::variant<RawValue, Status> ParseBool(std::string_view text) {
  for (const Truth& each : kTruths) {
    if (EqualsIgnoringCase(text, each.text)) return RawValue{each.value ? 1u : 0u};
  }
  return Refused(ValueType::kBool, text, "0, 1, true, false, on or off");
}

// The magnitude of digits in base, or nothing when it is not all digits or passes 64 bits.
std::optional<std::uint64_t> Magnitude(std::string_view digits, int base) {
  if (digits.empty()) return std::nullopt;
  std::uint64_t value = 0;
  const auto [end, error] =
      std::from_chars(digits.data(), digits.data() + digits.size(), value, base);
  if (error != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
  return value;
}

std::variant<RawValue, Status> ParseInteger(ValueType type, std::string_view text) {
  std::string_view rest = text;
  bool negative = false;
  if (!rest.empty() && (rest.front() == '+' || rest.front() == '-')) {
    negative = rest.front() == '-';
    rest.remove_prefix(1);
  }
  int base = 10;
  if (StartsWithIgnoringCase(rest, kHexPrefix)) {
    base = 16;
    rest.remove_prefix(kHexPrefix.size());
  }
  // from_chars would take a second sign; digits only here.
  if (!rest.empty() && !IsAsciiAlphanumeric(rest.front())) {
    return Refused(type, text, "a whole number");
  }
  const std::optional<std::uint64_t> magnitude = Magnitude(rest, base);
  const IntegerRange range = RangeOf(type);
  if (!magnitude) {
    const char* digits = base == 16 ? "0123456789abcdefABCDEF" : "0123456789";
    const bool all_digits =
        !rest.empty() && rest.find_first_not_of(digits) == std::string_view::npos;
    return Refused(type, text, all_digits ? "within the type's range" : "a whole number");
  }
  // The largest magnitude a negative value may have: -lowest, computed without overflow.
  const std::uint64_t most_negative = static_cast<std::uint64_t>(-(range.lowest + 1)) + 1;
  if (negative ? (*magnitude != 0 && (range.lowest == 0 || *magnitude > most_negative))
               : *magnitude > range.highest) {
    return Refused(type, text, "within the type's range");
  }
  const std::uint64_t bits = negative ? (~*magnitude + 1) : *magnitude;
  const std::uint64_t mask =
      range.bits == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << range.bits) - 1;
  return RawValue{bits & mask};
}

template <typename Float>
std::variant<RawValue, Status> ParseFloat(ValueType type, std::string_view text) {
  std::string_view rest = text;
  // from_chars takes no '+'; one is allowed before the number, never before a '-'.
  if (!rest.empty() && rest.front() == '+') {
    rest.remove_prefix(1);
    if (!rest.empty() && (rest.front() == '-' || rest.front() == '+')) {
      return Refused(type, text, "a number");
    }
  }
  Float value = 0;
  const auto [end, error] =
      std::from_chars(rest.data(), rest.data() + rest.size(), value, std::chars_format::general);
  if (error == std::errc::result_out_of_range)
    return Refused(type, text, "within the type's range");
  if (error != std::errc() || end != rest.data() + rest.size() || rest.empty()) {
    return Refused(type, text, "a number in the C locale's form (1.5, -2e3, nan, inf)");
  }
  if constexpr (sizeof(Float) == sizeof(std::uint32_t)) {
    if (std::isnan(value)) return RawValue{kQuietNan32};
    std::uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return RawValue{bits};
  } else {
    if (std::isnan(value)) return RawValue{kQuietNan64};
    std::uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return RawValue{bits};
  }
}

template <typename Number>
std::string Decimal(Number value) {
  char buffer[kLongestValueText];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

template <typename Float, typename Bits>
std::string FloatText(RawValue raw) {
  const auto bits = static_cast<Bits>(raw);
  Float value = 0;
  std::memcpy(&value, &bits, sizeof value);
  if (std::isnan(value)) return "nan";
  return Decimal(value);  // "inf", "-inf", "-0" and the shortest round trip.
}

}  // namespace

std::variant<RawValue, Status> ParseValueText(ValueType type, std::string_view text) {
  const std::string_view value = TrimAsciiSpace(text);
  switch (type) {
    case ValueType::kString:  // Taken as typed: see register_string.h.
      return Refused(type, text, "a number");
    case ValueType::kBool:
      return ParseBool(value);
    case ValueType::kF32:
      return ParseFloat<float>(type, value);
    case ValueType::kF64:
      return ParseFloat<double>(type, value);
    default:
      break;
  }
  return ParseInteger(type, value);
}

std::variant<RawValue, Status> ParseValueText(ValueType type, std::u16string_view text) {
  std::string ascii;
  ascii.reserve(text.size());
  for (char16_t unit : text) {
    // No value of any type holds a character beyond ASCII; a NUL is refused as well.
    if (unit == 0 || unit > 0x7F) {
      return Status::Failure("the value holds a character that no " + std::string(NameOf(type)) +
                             " value has");
    }
    ascii.push_back(static_cast<char>(unit));
  }
  return ParseValueText(type, std::string_view(ascii));
}

std::string FormatValue(ValueType type, RawValue raw) {
  switch (type) {
    case ValueType::kBool:
      return raw != 0 ? "1" : "0";
    case ValueType::kU16:
      return Decimal(static_cast<std::uint16_t>(raw));
    case ValueType::kI16:
      return Decimal(static_cast<std::int16_t>(static_cast<std::uint16_t>(raw)));
    case ValueType::kU32:
      return Decimal(static_cast<std::uint32_t>(raw));
    case ValueType::kI32:
      return Decimal(static_cast<std::int32_t>(static_cast<std::uint32_t>(raw)));
    case ValueType::kU64:
      return Decimal(raw);
    case ValueType::kI64:
      return Decimal(static_cast<std::int64_t>(raw));
    case ValueType::kF32:
      return FloatText<float, std::uint32_t>(raw);
    case ValueType::kString:  // Text already: see register_string.h.
      return std::string();
    case ValueType::kF64:
      break;
  }
  return FloatText<double, std::uint64_t>(raw);
}

}  // namespace rozovevi::ioserver::standin::modbus
