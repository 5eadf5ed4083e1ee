// How a PDU travels: in a TCP ADU behind its MBAP header, or in an RTU frame between the unit and
// the CRC (on a serial line, and over TCP for RTU over TCP). Pure byte work, no I/O, so that the
// reply parsers can be fuzzed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "ioserver/standin/modbus/modbus_pdu.h"

namespace rozovevi::ioserver::standin::modbus {

enum class Framing { kTcp, kRtu };

// The whole frame that carries request to unit. transaction is the MBAP header's (TCP only).
Bytes FrameRequest(Framing framing, std::uint8_t unit, std::uint16_t transaction,
                   std::string_view request);

// How long the reply frame whose first bytes are head is, as far as head tells; never past what
// a reply to request can be, never more than the frame's end.
std::size_t ReplyFrameLength(Framing framing, std::string_view head);

// Checks the whole reply frame to the request frame sent: 0, or a libmodbus error number: the CRC
// (EMBBADCRC), the header (EMBBADDATA), the unit (EMBBADSLAVE), then the PDU (CheckReplyPdu).
int CheckReplyFrame(Framing framing, std::string_view sent, std::string_view reply);

// The PDU of a checked reply frame.
std::string_view ReplyPdu(Framing framing, std::string_view reply);

// The CRC of an RTU frame over bytes, as it travels (low byte first).
std::uint16_t Crc16(std::string_view bytes);

}  // namespace rozovevi::ioserver::standin::modbus
