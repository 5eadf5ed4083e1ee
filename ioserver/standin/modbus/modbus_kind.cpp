// MODBUS: addresses from the stand-in's side: parse, check, one request, value as text.
#include "ioserver/standin/modbus/modbus_kind.h"

#include "ioserver/standin/modbus/modbus_address.h"
#include "ioserver/standin/modbus/modbus_item.h"
#include "ioserver/standin/modbus/value_text.h"
#include "ioserver/utf8.h"

namespace rozovevi::ioserver::standin::modbus {
namespace {

Status Failed(std::string reason, bool lasting = false) {
  return lasting ? Status::Lasting(std::move(reason)) : Status::Failure(std::move(reason));
}

}  // namespace

Status ModbusKind::Read(std::u16string_view address, std::u16string& value) {
  auto parsed = ParseModbusAddress(address);
  if (auto* error = std::get_if<AddressError>(&parsed)) {
    return Failed(std::move(error->reason), true);
  }
  const ItemAddress& item = std::get<ItemAddress>(parsed);
  auto read = ReadItem(item);
  if (auto* error = std::get_if<RequestError>(&read)) return Failed(std::move(error->reason));
  value = WidenUtf8(FormatValue(item.type, std::get<RawValue>(read)));
  return Status::Ok();
}

Status ModbusKind::Write(std::u16string_view address, std::u16string_view value) {
  auto parsed = ParseModbusAddress(address);
  if (auto* error = std::get_if<AddressError>(&parsed)) {
    return Failed(std::move(error->reason), true);
  }
  const ItemAddress& item = std::get<ItemAddress>(parsed);
  if (!IsWritable(item.table)) {
    return Failed(
        std::string(item.table == Table::kDiscreteInputs ? "discrete inputs" : "input registers") +
            " are read-only; nothing was written",
        true);
  }
  auto raw = ParseValueText(item.type, value);
  if (auto* error = std::get_if<ValueError>(&raw)) {
    return Failed(error->reason + "; nothing was written");
  }
  auto written = WriteItem(item, std::get<RawValue>(raw));
  if (auto* error = std::get_if<RequestError>(&written)) return Failed(std::move(error->reason));
  return Status::Ok();
}

}  // namespace rozovevi::ioserver::standin::modbus
