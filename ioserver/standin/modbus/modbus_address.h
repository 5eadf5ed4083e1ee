// A "MODBUS:" address taken apart: the link, the unit, the table, the offset, the value's type
// and byte order, and the options. Pure text work, no I/O, so that it can be fuzzed.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

#include "ioserver/status.h"

namespace rozovevi::ioserver::standin::modbus {

enum class Table { kCoils, kDiscreteInputs, kInputRegisters, kHoldingRegisters };

enum class ValueType { kBool, kU16, kI16, kU32, kI32, kF32, kU64, kI64, kF64 };

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

using Link = std::variant<TcpLink, RtuLink>;

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
  std::chrono::microseconds timeout = kDefaultTimeout;
  // fc=16: a single register is written with "write multiple registers".
  bool single_register_with_fc16 = false;
};

// Takes apart a whole address, its prefix included; a refusal is lasting, its reason beginning
// "malformed Modbus address":
//   MODBUS:<link>/<unit>/<table>/<offset>[:<type>[:<order>]][?<option>[&<option>]]
// with <link> tcp:<host>[:<port>] or rtu:<device>[@<baud>[,<frame>]]. Everything but the host
// and the device is matched without regard to ASCII letter case.
std::variant<ItemAddress, Status> ParseModbusAddress(std::string_view address_utf8);
std::variant<ItemAddress, Status> ParseModbusAddress(std::u16string_view address);

// How many registers (or bits, for bool) a value of type takes: 1, 2 or 4.
int WidthOf(ValueType type);

// Whether a value may be written to table: coils and holding registers only.
bool IsWritable(Table table);

// The short names used in reasons: "co", "di", "ir", "hr"; "bool", "u16"...; "abcd"...
std::string_view NameOf(Table table);
std::string_view NameOf(ValueType type);
std::string_view NameOf(ByteOrder order);

// The link as a reason names it: "tcp:host:port" (IPv6 in brackets) or "rtu:device@baud,8E1".
std::string DescribeLink(const Link& link);

}  // namespace rozovevi::ioserver::standin::modbus
