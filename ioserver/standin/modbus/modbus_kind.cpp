// MODBUS: addresses from the stand-in's side: parse, check, one request, value as text.
#include "ioserver/standin/modbus/modbus_kind.h"

#include "ioserver/standin/modbus/modbus_address.h"
#include "ioserver/standin/modbus/modbus_item.h"
#include "ioserver/standin/modbus/register_order.h"
#include "ioserver/standin/modbus/register_string.h"
#include "ioserver/standin/modbus/value_text.h"
#include "ioserver/utf8.h"

namespace rozovevi::ioserver::standin::modbus {
namespace {

constexpr std::string_view kNothingWritten = "; nothing was written";

// The words that carry the value typed for item, or why it cannot be written.
std::variant<std::vector<std::uint16_t>, Status> WordsToWrite(const ItemAddress& item,
                                                              std::u16string_view value) {
  if (item.type == ValueType::kString) {
    return EncodeRegisterString(value, item.string_bytes, item.order);
  }
  auto raw = ParseValueText(item.type, value);
  if (auto* error = std::get_if<Status>(&raw)) return std::move(*error);
  const int width = RegisterCount(item);
  const Registers registers = ToRegisters(std::get<RawValue>(raw), width, item.order);
  return std::vector<std::uint16_t>(registers.begin(), registers.begin() + width);
}

// The value's text from the words read for item.
std::variant<std::u16string, Status> TextOf(const ItemAddress& item,
                                            const std::vector<std::uint16_t>& words) {
  if (item.type == ValueType::kString) {
    return DecodeRegisterString(words, item.string_bytes, item.order);
  }
  if (item.bit) return std::u16string(((words.at(0) >> *item.bit) & 1u) != 0 ? u"1" : u"0");
  Registers registers{};
  std::copy(words.begin(), words.end(), registers.begin());
  return WidenUtf8(
      FormatValue(item.type, FromRegisters(registers, RegisterCount(item), item.order)));
}

}  // namespace

Status ModbusKind::Read(std::u16string_view address, std::u16string& value) {
  auto parsed = ParseModbusAddress(address);
  if (auto* error = std::get_if<Status>(&parsed)) return std::move(*error);
  const ItemAddress& item = std::get<ItemAddress>(parsed);
  if (context_.trace != nullptr) context_.trace->BeginCall();
  std::vector<std::uint16_t> words;
  if (Status read = ReadItem(item, context_.trace, words); !read.ok()) return read;
  auto text = TextOf(item, words);
  if (auto* error = std::get_if<Status>(&text)) return std::move(*error);
  value = std::get<std::u16string>(std::move(text));
  return Status::Ok();
}

Status ModbusKind::Write(std::u16string_view address, std::u16string_view value) {
  auto parsed = ParseModbusAddress(address);
  if (auto* error = std::get_if<Status>(&parsed)) return std::move(*error);
  const ItemAddress& item = std::get<ItemAddress>(parsed);
  if (!IsWritable(item.table)) {
    return Status::Lasting(
        std::string(item.table == Table::kDiscreteInputs ? "discrete inputs" : "input registers") +
        " are read-only; nothing was written");
  }
  auto words = WordsToWrite(item, value);
  if (auto* error = std::get_if<Status>(&words)) return error->WithSuffix(kNothingWritten);
  if (context_.trace != nullptr) context_.trace->BeginCall();
  return WriteItem(item, context_.trace, std::get<std::vector<std::uint16_t>>(words));
}

}  // namespace rozovevi::ioserver::standin::modbus
