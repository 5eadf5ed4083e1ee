// Requests built and replies checked byte for byte, as the Modbus application protocol lays
// them out.
#include "ioserver/standin/modbus/modbus_pdu.h"

#include <modbus/modbus.h>

namespace rozovevi::ioserver::standin::modbus {
namespace {

constexpr std::uint16_t kCoilOn = 0xFF00;
constexpr std::size_t kEchoLength = 5;      // Function, offset, value or count.
constexpr std::size_t kMaskEchoLength = 7;  // Function, offset, and mask, or mask.
constexpr std::size_t kExceptionLength = 2;
constexpr std::size_t kByteCountAt = 1;
constexpr std::size_t kDataAt = 2;
constexpr std::size_t kCountAt = 3;  // In a read request: function, offset, count.
constexpr std::uint16_t kLowByte = 0x00FF;
constexpr int kBitsPerByte = 8;

std::uint8_t FunctionByte(Function function) { return static_cast<std::uint8_t>(function); }

std::uint8_t ByteAt(std::string_view bytes, std::size_t at) {
  return static_cast<std::uint8_t>(bytes[at]);
}

bool IsRead(std::uint8_t function) {
  return function >= FunctionByte(Function::kReadCoils) &&
         function <= FunctionByte(Function::kReadInputRegisters);
}

bool ReadsBits(std::uint8_t function) {
  return function == FunctionByte(Function::kReadCoils) ||
         function == FunctionByte(Function::kReadDiscreteInputs);
}

}  // namespace

void AppendWord(Bytes& bytes, std::uint16_t word) {
  bytes.push_back(static_cast<char>(word >> kBitsPerByte));
  bytes.push_back(static_cast<char>(word & kLowByte));
}

std::uint16_t WordAt(std::string_view bytes, std::size_t at) {
  return static_cast<std::uint16_t>((ByteAt(bytes, at) << kBitsPerByte) | ByteAt(bytes, at + 1));
}

Bytes ReadRequest(Function function, std::uint16_t offset, std::uint16_t count) {
  Bytes pdu(1, static_cast<char>(FunctionByte(function)));
  AppendWord(pdu, offset);
  AppendWord(pdu, count);
  return pdu;
}

Bytes WriteSingleRequest(Function function, std::uint16_t offset, std::uint16_t value) {
  Bytes pdu(1, static_cast<char>(FunctionByte(function)));
  AppendWord(pdu, offset);
  const bool coil = function == Function::kWriteSingleCoil;
  AppendWord(pdu, coil ? (value != 0 ? kCoilOn : 0) : value);
  return pdu;
}

Bytes WriteRegistersRequest(std::uint16_t offset, const std::vector<std::uint16_t>& registers) {
  Bytes pdu(1, static_cast<char>(FunctionByte(Function::kWriteMultipleRegisters)));
  AppendWord(pdu, offset);
  AppendWord(pdu, static_cast<std::uint16_t>(registers.size()));
  pdu.push_back(static_cast<char>(2 * registers.size()));
  for (std::uint16_t each : registers) AppendWord(pdu, each);
  return pdu;
}

Bytes MaskWriteRequest(std::uint16_t offset, std::uint16_t and_mask, std::uint16_t or_mask) {
  Bytes pdu(1, static_cast<char>(FunctionByte(Function::kMaskWriteRegister)));
  AppendWord(pdu, offset);
  AppendWord(pdu, and_mask);
  AppendWord(pdu, or_mask);
  return pdu;
}

std::size_t ReplyPduLength(std::string_view head) {
  if (head.empty()) return 1;
  const std::uint8_t function = ByteAt(head, 0);
  if ((function & kExceptionBit) != 0) return kExceptionLength;
  if (IsRead(function)) return head.size() <= kByteCountAt ? kDataAt : kDataAt + ByteAt(head, 1);
  switch (static_cast<Function>(function)) {
    case Function::kWriteSingleCoil:
    case Function::kWriteSingleRegister:
    case Function::kWriteMultipleRegisters:
      return kEchoLength;
    case Function::kMaskWriteRegister:
      return kMaskEchoLength;
    default:
      break;
  }
  return 1;
}

int CheckReplyPdu(std::string_view request, std::string_view reply) {
  if (reply.empty() || request.empty() || reply.size() != ReplyPduLength(reply)) {
    return EMBBADDATA;
  }
  const std::uint8_t asked = ByteAt(request, 0);
  const std::uint8_t answered = ByteAt(reply, 0);
  if (answered == (asked | kExceptionBit)) return MODBUS_ENOBASE + ByteAt(reply, 1);
  if (answered != asked) return EMBBADDATA;
  if (IsRead(asked)) {
    const std::uint16_t count = WordAt(request, kCountAt);
    const std::size_t expected =
        ReadsBits(asked) ? (count + kBitsPerByte - 1) / kBitsPerByte : 2u * count;
    return ByteAt(reply, kByteCountAt) == expected ? 0 : EMBBADDATA;
  }
  // A write is answered by its own first bytes: the offset, and the value, the count or the masks.
  const std::size_t echoed = reply.size();
  return request.substr(0, echoed) == reply ? 0 : EMBBADDATA;
}

std::vector<std::uint16_t> RegistersOf(std::string_view reply) {
  std::vector<std::uint16_t> registers;
  for (std::size_t at = kDataAt; at + 1 < reply.size(); at += 2) {
    registers.push_back(WordAt(reply, at));
  }
  return registers;
}

bool FirstBitOf(std::string_view reply) {
  return reply.size() > kDataAt && (ByteAt(reply, kDataAt) & 1) != 0;
}

}  // namespace rozovevi::ioserver::standin::modbus
