// MODBUS: addresses from the stand-in's side: parse, check, one request, value as text.
#include "ioserver/standin/modbus/modbus_kind.h"

#include "ioserver/standin/modbus/modbus_address.h"
#include "ioserver/standin/modbus/modbus_item.h"
#include "ioserver/standin/modbus/value_text.h"
#include "ioserver/utf8.h"

namespace rozovevi::ioserver::standin::modbus {
Status ModbusKind::Read(std::u16string_view address, std::u16string& value) {
  auto parsed = ParseModbusAddress(address);
  if (auto* error = std::get_if<Status>(&parsed)) return std::move(*error);
  const ItemAddress& item = std::get<ItemAddress>(parsed);
  auto read = ReadItem(item);
  if (auto* error = std::get_if<Status>(&read)) return std::move(*error);
  value = WidenUtf8(FormatValue(item.type, std::get<RawValue>(read)));
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
  auto raw = ParseValueText(item.type, value);
  if (auto* error = std::get_if<Status>(&raw)) return error->WithSuffix("; nothing was written");
  return WriteItem(item, std::get<RawValue>(raw));
}

}  // namespace rozovevi::ioserver::standin::modbus
