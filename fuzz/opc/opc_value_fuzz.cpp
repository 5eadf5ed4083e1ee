// Any text typed as a value of each built-in type. What is accepted, shown again and parsed once
// more, is the same value; what is refused says why in one line.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzz/fuzz_check.h"
#include "fuzz/opc/encoded_variant.h"
#include "ioserver/standin/opc/ua_binary.h"
#include "ioserver/standin/opc/ua_value_text.h"
#include "ioserver/utf8.h"

namespace {

using rozovevi::fuzz::Encoded;
using rozovevi::fuzz::Require;

using namespace rozovevi::ioserver;
using namespace rozovevi::ioserver::standin::opc;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const auto type = static_cast<BuiltinType>(1 + data[0] % kLastBuiltinType);
  std::u16string text;
  for (std::size_t i = 1; i + 1 < size; i += 2) {
    text.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
  }
  auto parsed = ParseVariant(type, text);
  if (auto* error = std::get_if<ValueTextError>(&parsed)) {
    Require(!error->reason.empty() && error->reason.find('\n') == std::string::npos);
    return 0;
  }
  const Variant& value = std::get<Variant>(parsed);
  Require(value.type == type);
  auto shown = FormatVariant(value);
  Require(std::holds_alternative<std::string>(shown));
  const auto wide = DecodeUtf8(std::get<std::string>(shown));
  Require(wide.has_value());
  auto again = ParseVariant(type, *wide);
  Require(std::holds_alternative<Variant>(again));
  if (type != BuiltinType::kQualifiedName) {
    Require(Encoded(std::get<Variant>(again)) == Encoded(value));
  }
  return 0;
}
