// Any bytes as a value to write, for a type picked by the first byte. What the parser accepts
// fits the type, prints as text that parses back to the same bits (NaN as the quiet NaN), and
// the UTF-16 entry agrees with the UTF-8 one.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "ioserver/standin/modbus/value_text.h"

namespace {

using namespace rozovevi::ioserver::standin::modbus;

constexpr ValueType kTypes[] = {ValueType::kBool, ValueType::kU16, ValueType::kI16,
                                ValueType::kU32,  ValueType::kI32, ValueType::kF32,
                                ValueType::kU64,  ValueType::kI64, ValueType::kF64};
constexpr RawValue kQuietNan32 = 0x7FC00000u;
constexpr RawValue kQuietNan64 = 0x7FF8000000000000u;

void Require(bool holds) {
  if (!holds) std::abort();
}

RawValue MaskOf(ValueType type) {
  if (type == ValueType::kBool) return 1;
  const int bits = 16 * WidthOf(type);
  return bits == 64 ? ~RawValue{0} : (RawValue{1} << bits) - 1;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const ValueType type = kTypes[data[0] % std::size(kTypes)];
  const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
  const auto parsed = ParseValueText(type, text);

  std::u16string wide(text.begin(), text.end());
  for (std::size_t i = 0; i < text.size(); ++i) wide[i] = static_cast<unsigned char>(text[i]);
  const auto parsed_wide = ParseValueText(type, std::u16string_view(wide));
  const bool has_nul = text.find('\0') != std::string_view::npos;
  const bool ascii = std::all_of(text.begin(), text.end(),
                                 [](char byte) { return static_cast<unsigned char>(byte) < 0x80; });
  if (ascii && !has_nul) Require(parsed.index() == parsed_wide.index());

  if (const auto* error = std::get_if<rozovevi::ioserver::Status>(&parsed)) {
    Require(error->reason().find('\n') == std::string::npos);
    return 0;
  }
  const RawValue raw = std::get<RawValue>(parsed);
  Require((raw & ~MaskOf(type)) == 0);
  const std::string printed = FormatValue(type, raw);
  const auto back = ParseValueText(type, std::string_view(printed));
  Require(std::holds_alternative<RawValue>(back));
  if (printed == "nan") {
    Require(std::get<RawValue>(back) == (type == ValueType::kF32 ? kQuietNan32 : kQuietNan64));
    Require(raw == std::get<RawValue>(back));  // A written NaN is always the quiet one.
  } else {
    Require(std::get<RawValue>(back) == raw);
  }
  return 0;
}
