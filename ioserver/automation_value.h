// The tagged value passed to and returned by late-bound server members.
#pragma once

#include <cstdint>
#include <string>
#include <variant>

namespace rozovevi::ioserver {

// The kinds of value the program passes or receives. The numbers are the platform's tags.
enum class ValueKind : std::uint16_t {
  kEmpty = 0,
  kNull = 1,
  kInt32 = 3,
  kDouble = 5,
  kString = 8,
  kBoolean = 11,
};

// A 16-bit automation Boolean: all bits set is True, zero is False.
constexpr std::int16_t kVariantTrue = -1;
constexpr std::int16_t kVariantFalse = 0;

class AutomationValue {
 public:
  // A new value is Empty, as an uninitialised automation value is.
  AutomationValue() = default;

  static AutomationValue Empty() { return AutomationValue(); }
  static AutomationValue Null() {
    return AutomationValue(Storage(std::in_place_index<kNullIndex>));
  }
  static AutomationValue Boolean(bool value) {
    return AutomationValue(
        Storage(std::in_place_index<kBooleanIndex>, value ? kVariantTrue : kVariantFalse));
  }
  // A Boolean with the given bits, as a foreign server may send (any non-zero bits mean True).
  static AutomationValue BooleanBits(std::int16_t bits) {
    return AutomationValue(Storage(std::in_place_index<kBooleanIndex>, bits));
  }
  static AutomationValue Int32(std::int32_t value) {
    return AutomationValue(Storage(std::in_place_index<kInt32Index>, value));
  }
  static AutomationValue Double(double value) {
    return AutomationValue(Storage(std::in_place_index<kDoubleIndex>, value));
  }
  static AutomationValue String(std::u16string value) {
    return AutomationValue(Storage(std::in_place_index<kStringIndex>, std::move(value)));
  }

  ValueKind kind() const noexcept;

  // Accessors for one kind; calling one for another kind throws std::bad_variant_access.
  std::int16_t boolean_bits() const { return std::get<kBooleanIndex>(storage_); }
  std::int32_t int32() const { return std::get<kInt32Index>(storage_); }
  double real() const { return std::get<kDoubleIndex>(storage_); }
  const std::u16string& string() const { return std::get<kStringIndex>(storage_); }
  // Moves the string out of a value that is going away; only a temporary or a moved value can
  // give it up, so no reference into a live value's storage escapes.
  std::u16string TakeString() && { return std::get<kStringIndex>(std::move(storage_)); }

  friend bool operator==(const AutomationValue& a, const AutomationValue& b) {
    return a.storage_ == b.storage_;
  }
  friend bool operator!=(const AutomationValue& a, const AutomationValue& b) { return !(a == b); }

 private:
  struct NullTag {
    friend bool operator==(NullTag, NullTag) { return true; }
    friend bool operator!=(NullTag, NullTag) { return false; }
  };
  using Storage =
      std::variant<std::monostate, NullTag, std::int16_t, std::int32_t, double, std::u16string>;
  static constexpr std::size_t kNullIndex = 1;
  static constexpr std::size_t kBooleanIndex = 2;
  static constexpr std::size_t kInt32Index = 3;
  static constexpr std::size_t kDoubleIndex = 4;
  static constexpr std::size_t kStringIndex = 5;

  explicit AutomationValue(Storage storage) : storage_(std::move(storage)) {}

  Storage storage_;
};

// True where a value returned for a success flag means failure: Boolean False, a numeric zero and
// Empty. Every other value, Null included, means success.
bool ComparesEqualToFalse(const AutomationValue& value);

// The portable conversion of a value to text: a string unchanged, Booleans as "True" and "False",
// numbers in their shortest exact decimal form, Empty as the empty text. Null has no text form and
// raises IoError 94 "Invalid use of Null".
std::u16string ToText(const AutomationValue& value);

}  // namespace rozovevi::ioserver
