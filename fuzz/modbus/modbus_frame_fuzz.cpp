// Arbitrary bytes as the reply to a request picked by the first two bytes, read as the client
// reads it (RTU frames, as on a serial line and over TCP, or TCP ADUs): the length asked for only
// grows, stays within one ADU and never stops short of the bytes it has, and a reply the checks
// accept carries exactly what was asked for.
#include <modbus/modbus.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "ioserver/standin/modbus/adu_framing.h"

namespace {

using namespace rozovevi::ioserver::standin::modbus;

constexpr Function kReads[] = {Function::kReadCoils, Function::kReadDiscreteInputs,
                               Function::kReadHoldingRegisters, Function::kReadInputRegisters};

void Require(bool holds) {
  if (!holds) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const Framing framing = (data[0] & 0x80) != 0 ? Framing::kTcp : Framing::kRtu;
  const std::uint8_t unit = data[1];
  const int choice = data[0] & 0x07;
  const auto count = static_cast<std::uint16_t>(1 + (data[0] >> 3 & 0x0F) * 8);
  Bytes request;
  if (choice < 4) {
    request = ReadRequest(kReads[choice], 3, count);
  } else if (choice == 4) {
    request = MaskWriteRequest(3, 0xFFFD, 0x0002);
  } else if (choice == 5) {
    request = WriteSingleRequest(Function::kWriteSingleRegister, 3, 0x1234);
  } else {
    request = WriteRegistersRequest(3, std::vector<std::uint16_t>(count % 124, 0x4142));
  }
  const Bytes sent = FrameRequest(framing, unit, 1, request);
  const std::string_view wire(reinterpret_cast<const char*>(data + 2), size - 2);

  // As Transact reads: as many bytes as the frame is known to need, until it needs no more.
  std::size_t wanted = ReplyFrameLength(framing, {});
  std::size_t have = 0;
  while (have < wanted && have < wire.size()) {
    have = std::min(wanted, wire.size());
    const std::size_t next = ReplyFrameLength(framing, wire.substr(0, have));
    Require(next >= have);  // Never a frame shorter than what was read for it.
    Require(next <= MODBUS_MAX_ADU_LENGTH);
    wanted = next;
  }
  const std::string_view reply = wire.substr(0, have);
  const int checked = CheckReplyFrame(framing, sent, reply);
  if (checked != 0) return 0;
  Require(have == wanted);
  const std::string_view pdu = ReplyPdu(framing, reply);
  Require(CheckReplyPdu(request, pdu) == 0);
  if (choice == 2 || choice == 3) Require(RegistersOf(pdu).size() == count);
  if (choice < 2) static_cast<void>(FirstBitOf(pdu));
  return 0;
}
