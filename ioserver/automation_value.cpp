// Kind, False comparison and portable text conversion of automation values.
#include "ioserver/automation_value.h"

#include <array>
#include <charconv>

#include "ioserver/io_error.h"
#include "ioserver/utf8.h"

namespace rozovevi::ioserver {

ValueKind AutomationValue::kind() const noexcept {
  static constexpr std::array<ValueKind, 6> kKinds = {ValueKind::kEmpty,   ValueKind::kNull,
                                                      ValueKind::kBoolean, ValueKind::kInt32,
                                                      ValueKind::kDouble,  ValueKind::kString};
  return kKinds[storage_.index()];
}

bool ComparesEqualToFalse(const AutomationValue& value) {
  switch (value.kind()) {
    case ValueKind::kEmpty:
      return true;
    case ValueKind::kBoolean:
      return value.boolean_bits() == kVariantFalse;
    case ValueKind::kInt32:
      return value.int32() == 0;
    case ValueKind::kDouble:
      return value.real() == 0.0;
    case ValueKind::kNull:
    case ValueKind::kString:
      return false;
  }
  return false;
}

std::u16string ToText(const AutomationValue& value) {
  switch (value.kind()) {
    case ValueKind::kEmpty:
      return std::u16string();
    case ValueKind::kNull:
      throw InvalidUseOfNullError();
    case ValueKind::kBoolean:
      return value.boolean_bits() == kVariantFalse ? u"False" : u"True";
    case ValueKind::kInt32: {
      std::array<char, 16> buffer{};
      auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value.int32());
      return WidenUtf8(std::string_view(buffer.data(), result.ptr - buffer.data()));
    }
    case ValueKind::kDouble: {
      // Shortest text that reads back as the same double.
      std::array<char, 32> buffer{};
      auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value.real());
      return WidenUtf8(std::string_view(buffer.data(), result.ptr - buffer.data()));
    }
    case ValueKind::kString:
      return value.string();
  }
  return std::u16string();
}

}  // namespace rozovevi::ioserver
