// The protocol data unit of each request this client makes, and the checks of a reply's: the part
// of a frame that is the same over TCP, RTU and RTU over TCP. Pure byte work, no I/O.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace rozovevi::ioserver::standin::modbus {

// Bytes as they travel, one char each.
using Bytes = std::string;

enum class Function : std::uint8_t {
  kReadCoils = 1,
  kReadDiscreteInputs = 2,
  kReadHoldingRegisters = 3,
  kReadInputRegisters = 4,
  kWriteSingleCoil = 5,
  kWriteSingleRegister = 6,
  kWriteMultipleRegisters = 16,
  kMaskWriteRegister = 22,
};

// The bit a function code carries in a reply that is an exception.
inline constexpr std::uint8_t kExceptionBit = 0x80;
// The most registers one read returns, and one write carries.
inline constexpr int kMostReadRegisters = 125;
inline constexpr int kMostWrittenRegisters = 123;

Bytes ReadRequest(Function function, std::uint16_t offset, std::uint16_t count);
// Function 5 (value 0 or 1) or 6.
Bytes WriteSingleRequest(Function function, std::uint16_t offset, std::uint16_t value);
Bytes WriteRegistersRequest(std::uint16_t offset, const std::vector<std::uint16_t>& registers);
// The register becomes (current AND and_mask) OR (or_mask AND NOT and_mask).
Bytes MaskWriteRequest(std::uint16_t offset, std::uint16_t and_mask, std::uint16_t or_mask);

// How long the reply PDU whose first bytes are head is, as far as head tells: 1 while it is
// empty, 2 until a read reply's byte count has come, then the whole length. A function code this
// client never asks for ends the reply at that code, so that its check fails at once.
std::size_t ReplyPduLength(std::string_view head);

// Checks the whole reply PDU to request: 0 when it answers it; MODBUS_ENOBASE + the code of an
// exception; EMBBADDATA when it is not an answer to it (another function, a wrong byte count, a
// write echoed back otherwise than sent).
int CheckReplyPdu(std::string_view request, std::string_view reply);

// The registers of a checked read reply (functions 3 and 4), as the device sent them.
std::vector<std::uint16_t> RegistersOf(std::string_view reply);
// The first bit of a checked read reply (functions 1 and 2).
bool FirstBitOf(std::string_view reply);

// A 16-bit value as it travels: high byte first.
void AppendWord(Bytes& bytes, std::uint16_t word);
std::uint16_t WordAt(std::string_view bytes, std::size_t at);

}  // namespace rozovevi::ioserver::standin::modbus
