// The MBAP header of Modbus over TCP and the RTU frame with its CRC-16 (polynomial 0xA001,
// reflected, starting at 0xFFFF).
#include "ioserver/standin/modbus/adu_framing.h"

#include <modbus/modbus.h>

#include <algorithm>

namespace rozovevi::ioserver::standin::modbus {
namespace {

constexpr std::size_t kMbapLength = 7;  // Transaction, protocol, length, unit.
constexpr std::size_t kMbapLengthAt = 4;
constexpr std::size_t kMbapUnitAt = 6;
constexpr std::uint16_t kModbusProtocol = 0;
// The MBAP length counts the unit and the PDU, which is at most 253 bytes.
constexpr std::size_t kLongestPdu = 253;
constexpr std::size_t kRtuUnitLength = 1;
constexpr std::size_t kCrcLength = 2;
constexpr std::uint16_t kCrcStart = 0xFFFF;
constexpr std::uint16_t kCrcPolynomial = 0xA001;
constexpr int kBitsPerByte = 8;
constexpr std::uint16_t kLowByte = 0x00FF;

std::uint8_t ByteAt(std::string_view bytes, std::size_t at) {
  return static_cast<std::uint8_t>(bytes[at]);
}

}  // namespace

std::uint16_t Crc16(std::string_view bytes) {
  std::uint16_t crc = kCrcStart;
  for (char byte : bytes) {
    crc ^= static_cast<std::uint8_t>(byte);
    for (int bit = 0; bit < kBitsPerByte; ++bit) {
      crc = (crc & 1) != 0 ? static_cast<std::uint16_t>((crc >> 1) ^ kCrcPolynomial)
                           : static_cast<std::uint16_t>(crc >> 1);
    }
  }
  return crc;
}

Bytes FrameRequest(Framing framing, std::uint8_t unit, std::uint16_t transaction,
                   std::string_view request) {
  Bytes frame;
  if (framing == Framing::kTcp) {
    AppendWord(frame, transaction);
    AppendWord(frame, kModbusProtocol);
    AppendWord(frame, static_cast<std::uint16_t>(request.size() + 1));
    frame.push_back(static_cast<char>(unit));
    frame.append(request);
    return frame;
  }
  frame.push_back(static_cast<char>(unit));
  frame.append(request);
  const std::uint16_t crc = Crc16(frame);
  frame.push_back(static_cast<char>(crc & kLowByte));
  frame.push_back(static_cast<char>(crc >> kBitsPerByte));
  return frame;
}

std::size_t ReplyFrameLength(Framing framing, std::string_view head) {
  if (framing == Framing::kTcp) {
    if (head.size() < kMbapLength) return kMbapLength;
    const std::size_t length = WordAt(head, kMbapLengthAt);
    // A length no reply can have ends the frame at its header; the check refuses it.
    if (length < 2 || length > kLongestPdu + 1) return kMbapLength;
    return kMbapLength - 1 + length;
  }
  const std::string_view pdu = head.substr(std::min(head.size(), kRtuUnitLength));
  const std::size_t pdu_length = std::min(ReplyPduLength(pdu), kLongestPdu);
  return kRtuUnitLength + pdu_length + kCrcLength;
}

int CheckReplyFrame(Framing framing, std::string_view sent, std::string_view reply) {
  if (reply.size() != ReplyFrameLength(framing, reply)) return EMBBADDATA;
  if (framing == Framing::kTcp) {
    // The transaction and the protocol as sent; the length as the frame's own.
    if (reply.size() <= kMbapLength ||
        reply.substr(0, kMbapLengthAt) != sent.substr(0, kMbapLengthAt)) {
      return EMBBADDATA;
    }
    if (ByteAt(reply, kMbapUnitAt) != ByteAt(sent, kMbapUnitAt)) return EMBBADSLAVE;
    return CheckReplyPdu(sent.substr(kMbapLength), reply.substr(kMbapLength));
  }
  const std::string_view body = reply.substr(0, reply.size() - kCrcLength);
  const std::uint16_t crc = Crc16(body);
  if (ByteAt(reply, body.size()) != (crc & kLowByte) ||
      ByteAt(reply, body.size() + 1) != (crc >> kBitsPerByte)) {
    return EMBBADCRC;
  }
  if (ByteAt(reply, 0) != ByteAt(sent, 0)) return EMBBADSLAVE;
  return CheckReplyPdu(sent.substr(kRtuUnitLength, sent.size() - kRtuUnitLength - kCrcLength),
                       body.substr(kRtuUnitLength));
}

std::string_view ReplyPdu(Framing framing, std::string_view reply) {
  if (framing == Framing::kTcp) return reply.substr(kMbapLength);
  return reply.substr(kRtuUnitLength, reply.size() - kRtuUnitLength - kCrcLength);
}

}  // namespace rozovevi::ioserver::standin::modbus
