// MODBUS: addresses from the stand-in's side: parse, check, one request, value as text.
#include "ioserver/standin/modbus/modbus_kind.h"

#include "ioserver/standin/modbus/modbus_address.h"
#include "ioserver/standin/modbus/modbus_item.h"
#include "ioserver/standin/modbus/value_text.h"
#include "ioserver/utf8.h"

namespace rozovevi::ioserver::standin::modbus {
namespace {

ItemOutcome Failed(std::string reason, bool lasting = false) {
  return ItemOutcome{false, std::move(reason), lasting};
}

}  // namespace

bool ModbusKind::Claims(std::u16string_view address) const { return IsModbusAddress(address); }

ItemText ModbusKind::Read(std::u16string_view address) {
  auto parsed = ParseModbusAddress(address);
  if (auto* error = std::get_if<AddressError>(&parsed)) {
    return ItemText{Failed(std::move(error->reason), true), {}};
  }
  const ItemAddress& item = std::get<ItemAddress>(parsed);
  auto read = ReadItem(item);
  if (auto* error = std::get_if<RequestError>(&read)) {
    return ItemText{Failed(std::move(error->reason)), {}};
  }
  return ItemText{ItemOutcome{true, {}, false},
                  WidenUtf8(FormatValue(item.type, std::get<RawValue>(read)))};
}

ItemOutcome ModbusKind::Write(std::u16string_view address, std::u16string_view value) {
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
  return ItemOutcome{true, {}, false};
}

}  // namespace rozovevi::ioserver::standin::modbus
