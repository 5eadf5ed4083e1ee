// A "MODBUS:" address taken apart: the link, the unit, the table, the offset, the value's type
// and byte order, and the options. Pure text work, no I/O, so that it can be fuzzed.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "ioserver/status.h"

namespace rozovevi::ioserver::standin::modbus {

enum class Table { kCoils, kDiscreteInputs, kInputRegisters, kHoldingRegisters };

// kString is str<N>: N bytes of UTF-8 in ceil(N/2) registers.
enum class ValueType { kBool, kU16, kI16, kU32, kI32, kF32, kU64, kI64, kF64, kString };

// The order of a 32- or 64-bit value's bytes as they travel, named for four bytes: "abcd" puts
// the most significant register first, each register high byte first.
enum class ByteOrder { kAbcd, kCdab, kBadc, kDcba };

enum class Parity { kNone, kEven, kOdd };

struct TcpLink {
  std::string host;  // A host name, an IPv4 address or an IPv6 address without its brackets.
  std::uint16_t port = 502;
};

struct RtuLink {
  std::string device;  // The serial device's path, UTF-8.
  int baud = 19200;
  int data_bits = 8;
  Parity parity = Parity::kEven;
  int stop_bits = 1;
};

// RTU frames (unit, PDU, CRC) carried over a TCP stream, as serial device servers and gateways in
// their transparent mode pass them on.
struct RtuOverTcpLink {
  TcpLink tcp;
};

using Link = std::variant<TcpLink, RtuLink, RtuOverTcpLink>;

// The longest string a str<N> item holds, in bytes: what one request of 123 registers carries
// with a margin a device's manual may ask for.
inline constexpr int kLongestString = 246;
inline constexpr int kHighestBit = 15;

// The wait for the connection, and again for the reply: the default and the bounds of timeout=.
inline constexpr std::chrono::microseconds kDefaultTimeout{1000000};
inline constexpr std::chrono::microseconds kShortestTimeout{100000};
inline constexpr std::chrono::microseconds kLongestTimeout{60000000};

struct ItemAddress {
  Link link;
  int unit = 0;
  Table table = Table::kHoldingRegisters;
  std::uint16_t offset = 0;
  ValueType type = ValueType::kU16;
  ByteOrder order = ByteOrder::kAbcd;
  // hr/<offset>.<bit> and ir/<offset>.<bit>: one bit of the register, 0 the least significant;
  // the type is then bool.
  std::optional<int> bit;
  // str<N>: N, the most bytes the string holds.
  int string_bytes = 0;
  std::chrono::microseconds timeout = kDefaultTimeout;
  // fc=16: a single register is written with "write multiple registers".
  bool single_register_with_fc16 = false;
};

// Takes apart a whole address, its prefix included; a refusal is lasting, its reason beginning
// "malformed Modbus address":
//   MODBUS:<link>/<unit>/<table>/<offset>[.<bit>][:<type>[:<order>]][?<option>[&<option>]]
// with <link> tcp:<host>[:<port>], rtuovertcp:<host>[:<port>] or rtu:<device>[@<baud>[,<frame>]].
// Everything but the host and the device is matched without regard to ASCII letter case.
std::variant<ItemAddress, Status> ParseModbusAddress(std::string_view address_utf8);
std::variant<ItemAddress, Status> ParseModbusAddress(std::u16string_view address);

// How many registers (or bits, for bool) a value of a numeric type takes: 1, 2 or 4.
int WidthOf(ValueType type);
// How many registers (or bits) the item's value takes: its type's width, ceil(N/2) for str<N>,
// 1 for a bit of a register.
int RegisterCount(const ItemAddress& item);

// Whether a value may be written to table: coils and holding registers only.
bool IsWritable(Table table);

// The short names used in reasons: "co", "di", "ir", "hr"; "bool", "u16"..., "str"; "abcd"...
std::string_view NameOf(Table table);
std::string_view NameOf(ValueType type);
std::string_view NameOf(ByteOrder order);

// The link as a reason names it: "tcp:host:port" (IPv6 in brackets), "rtuovertcp:host:port" or
// "rtu:device@baud,8E1".
std::string DescribeLink(const Link& link);

}  // namespace rozovevi::ioserver::standin::modbus
