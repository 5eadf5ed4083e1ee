// The one request of a read or a write, on a connection that closes when it returns.
#include "ioserver/standin/modbus/modbus_item.h"

#include <cerrno>
#include <optional>

#include "ioserver/standin/modbus/modbus_connection.h"
#include "ioserver/standin/modbus/modbus_reasons.h"
#include "ioserver/standin/modbus/register_order.h"

namespace rozovevi::ioserver::standin::modbus {
namespace {

constexpr int kOneBit = 1;

Status Failed(std::string reason) { return Status::Failure(std::move(reason)); }

// Whether a libmodbus call moved count items; otherwise the reason, taken from errno at once.
std::optional<Status> CheckCount(int moved, int count, const ItemAddress& item) {
  if (moved == count) return std::nullopt;
  // libmodbus checks the count in the reply itself; a short count without an error is a bad
  // reply all the same.
  return Failed(RequestReason(item, moved < 0 ? errno : EMBBADDATA));
}

}  // namespace

std::variant<RawValue, Status> ReadItem(const ItemAddress& item) {
  auto opened = Connection::Open(item);
  if (auto* reason = std::get_if<std::string>(&opened)) return Failed(std::move(*reason));
  modbus_t* context = std::get<Connection>(opened).get();

  const int width = WidthOf(item.type);
  std::uint8_t bit = 0;
  Registers registers{};
  int moved = -1;
  switch (item.table) {
    case Table::kCoils:
      moved = ::modbus_read_bits(context, item.offset, kOneBit, &bit);
      break;
    case Table::kDiscreteInputs:
      moved = ::modbus_read_input_bits(context, item.offset, kOneBit, &bit);
      break;
    case Table::kInputRegisters:
      moved = ::modbus_read_input_registers(context, item.offset, width, registers.data());
      break;
    case Table::kHoldingRegisters:
      moved = ::modbus_read_registers(context, item.offset, width, registers.data());
      break;
  }
  if (auto error = CheckCount(moved, width, item)) return *std::move(error);
  if (item.type == ValueType::kBool) return RawValue{bit != 0 ? 1u : 0u};
  return FromRegisters(registers, width, item.order);
}

Status WriteItem(const ItemAddress& item, RawValue raw) {
  auto opened = Connection::Open(item);
  if (auto* reason = std::get_if<std::string>(&opened)) return Failed(std::move(*reason));
  modbus_t* context = std::get<Connection>(opened).get();

  const int width = WidthOf(item.type);
  int moved = -1;
  if (item.table == Table::kCoils) {
    moved = ::modbus_write_bit(context, item.offset, raw != 0 ? TRUE : FALSE);
  } else {
    const Registers registers = ToRegisters(raw, width, item.order);
    moved = width == 1 && !item.single_register_with_fc16
                ? ::modbus_write_register(context, item.offset, registers[0])
                : ::modbus_write_registers(context, item.offset, width, registers.data());
  }
  if (auto error = CheckCount(moved, width, item)) return *std::move(error);
  return Status::Ok();
}

}  // namespace rozovevi::ioserver::standin::modbus
