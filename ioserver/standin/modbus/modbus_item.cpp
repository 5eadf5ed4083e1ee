// The one request of a read or a write, on a connection that closes when it returns.
#include "ioserver/standin/modbus/modbus_item.h"

#include <modbus/modbus.h>

#include <variant>

#include "ioserver/standin/modbus/frame_exchange.h"
#include "ioserver/standin/modbus/modbus_connection.h"
#include "ioserver/standin/modbus/modbus_pdu.h"
#include "ioserver/standin/modbus/modbus_reasons.h"

namespace rozovevi::ioserver::standin::modbus {
namespace {

constexpr std::uint16_t kAllBits = 0xFFFF;

Framing FramingOf(const Link& link) {
  return std::holds_alternative<TcpLink>(link) ? Framing::kTcp : Framing::kRtu;
}

// Connects, sends request, and returns the checked reply's PDU or the reason it failed.
std::variant<Bytes, Status> Request(const ItemAddress& item, FrameTrace* trace,
                                    const Bytes& request) {
  auto opened = Connection::Open(item);
  if (auto* reason = std::get_if<std::string>(&opened)) {
    if (trace != nullptr) trace->Event(*reason);
    return Status::Failure(std::move(*reason));
  }
  const Connection& connection = std::get<Connection>(opened);
  Exchange exchange;
  exchange.descriptor = connection.descriptor();
  exchange.socket = !std::holds_alternative<RtuLink>(item.link);
  exchange.framing = FramingOf(item.link);
  exchange.unit = static_cast<std::uint8_t>(item.unit);
  exchange.timeout = item.timeout;
  exchange.trace = trace;
  auto replied = Transact(exchange, request);
  if (const int* error = std::get_if<int>(&replied)) {
    if (item.bit && *error == MODBUS_ENOBASE + MODBUS_EXCEPTION_ILLEGAL_FUNCTION &&
        static_cast<std::uint8_t>(request[0]) ==
            static_cast<std::uint8_t>(Function::kMaskWriteRegister)) {
      return Status::Failure(NoMaskWriteReason(item));
    }
    return Status::Failure(RequestReason(item, *error));
  }
  return std::get<Bytes>(std::move(replied));
}

Function ReadFunction(Table table) {
  switch (table) {
    case Table::kCoils:
      return Function::kReadCoils;
    case Table::kDiscreteInputs:
      return Function::kReadDiscreteInputs;
    case Table::kInputRegisters:
      return Function::kReadInputRegisters;
    case Table::kHoldingRegisters:
      break;
  }
  return Function::kReadHoldingRegisters;
}

}  // namespace

Status ReadItem(const ItemAddress& item, FrameTrace* trace, std::vector<std::uint16_t>& words) {
  const Function function = ReadFunction(item.table);
  const auto count = static_cast<std::uint16_t>(RegisterCount(item));
  auto replied = Request(item, trace, ReadRequest(function, item.offset, count));
  if (auto* failed = std::get_if<Status>(&replied)) return std::move(*failed);
  const Bytes& reply = std::get<Bytes>(replied);
  if (function == Function::kReadCoils || function == Function::kReadDiscreteInputs) {
    words = {FirstBitOf(reply) ? std::uint16_t{1} : std::uint16_t{0}};
  } else {
    words = RegistersOf(reply);
  }
  return Status::Ok();
}

Status WriteItem(const ItemAddress& item, FrameTrace* trace,
                 const std::vector<std::uint16_t>& words) {
  Bytes request;
  if (item.table == Table::kCoils) {
    request = WriteSingleRequest(Function::kWriteSingleCoil, item.offset, words.at(0));
  } else if (item.bit) {
    const auto mask = static_cast<std::uint16_t>(1u << *item.bit);
    request = MaskWriteRequest(item.offset, static_cast<std::uint16_t>(kAllBits & ~mask),
                               words.at(0) != 0 ? mask : std::uint16_t{0});
  } else if (words.size() == 1 && !item.single_register_with_fc16 &&
             item.type != ValueType::kString) {
    request = WriteSingleRequest(Function::kWriteSingleRegister, item.offset, words[0]);
  } else {
    request = WriteRegistersRequest(item.offset, words);
  }
  auto replied = Request(item, trace, request);
  if (auto* failed = std::get_if<Status>(&replied)) return std::move(*failed);
  return Status::Ok();
}

}  // namespace rozovevi::ioserver::standin::modbus
