// Parsing of "MODBUS:" addresses; every refusal says which part is wrong.
#include "ioserver/standin/modbus/modbus_address.h"

#include <arpa/inet.h>

#include <optional>
#include <utility>

#include "ioserver/ascii_text.h"
#include "ioserver/utf8.h"

namespace rozovevi::ioserver::standin::modbus {
namespace {

constexpr std::string_view kPrefix = "modbus:";
constexpr std::string_view kTcpPrefix = "tcp:";
constexpr std::string_view kRtuPrefix = "rtu:";
constexpr std::string_view kRtuOverTcpPrefix = "rtuovertcp:";
constexpr std::string_view kStringType = "str";
constexpr char kBitSeparator = '.';
constexpr std::string_view kTimeoutOption = "timeout";
constexpr std::string_view kFunctionOption = "fc";
constexpr std::uint32_t kWriteMultipleRegisters = 16;

constexpr std::uint32_t kLargestPort = 65535;
constexpr std::uint32_t kLargestOffset = 65535;
constexpr int kLargestUnit = 247;
constexpr int kTcpEveryUnit = 255;
constexpr int kSmallestRtuUnit = 1;
constexpr int kBaudRates[] = {1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200};

template <typename T>
struct Named {
  std::string_view name;  // Lower case.
  T value;
};

constexpr Named<Table> kTables[] = {
    {"co", Table::kCoils},
    {"coil", Table::kCoils},
    {"di", Table::kDiscreteInputs},
    {"discrete", Table::kDiscreteInputs},
    {"ir", Table::kInputRegisters},
    {"input", Table::kInputRegisters},
    {"hr", Table::kHoldingRegisters},
    {"holding", Table::kHoldingRegisters},
};

constexpr Named<ValueType> kTypes[] = {
    {"bool", ValueType::kBool}, {"u16", ValueType::kU16}, {"i16", ValueType::kI16},
    {"u32", ValueType::kU32},   {"i32", ValueType::kI32}, {"f32", ValueType::kF32},
    {"u64", ValueType::kU64},   {"i64", ValueType::kI64}, {"f64", ValueType::kF64},
};

constexpr Named<ByteOrder> kOrders[] = {
    {"abcd", ByteOrder::kAbcd},
    {"cdab", ByteOrder::kCdab},
    {"badc", ByteOrder::kBadc},
    {"dcba", ByteOrder::kDcba},
};

constexpr Named<Parity> kParities[] = {
    {"n", Parity::kNone},
    {"e", Parity::kEven},
    {"o", Parity::kOdd},
};

template <typename T, std::size_t N>
std::optional<T> Find(const Named<T> (&table)[N], std::string_view name) {
  for (const Named<T>& each : table) {
    if (EqualsIgnoringCase(name, each.name)) return each.value;
  }
  return std::nullopt;
}

template <typename T, std::size_t N>
std::string_view NameIn(const Named<T> (&table)[N], T value) {
  for (const Named<T>& each : table) {
    if (each.value == value) return each.name;
  }
  return "?";
}

Status Malformed(std::string what) {
  return Status::Lasting("malformed Modbus address: " + std::move(what));
}

bool IsHostNameByte(char byte) {
  return IsAsciiAlphanumeric(byte) || byte == '-' || byte == '.' || byte == '_';
}

template <typename Predicate>
bool AllOf(std::string_view text, Predicate predicate) {
  for (char byte : text) {
    if (!predicate(byte)) return false;
  }
  return true;
}

// An IPv6 address as inet_pton reads it, with an optional zone ("%eth0") after it.
bool IsIpv6Address(std::string_view text) {
  const std::size_t percent = text.find('%');
  const std::string address(text.substr(0, percent));
  if (percent != std::string_view::npos) {
    const std::string_view zone = text.substr(percent + 1);
    if (zone.empty() || !AllOf(zone, IsHostNameByte)) return false;
  }
  in6_addr parsed{};
  return ::inet_pton(AF_INET6, address.c_str(), &parsed) == 1;
}

// host[:port] after prefix ("tcp:" or "rtuovertcp:").
std::variant<TcpLink, Status> ParseTcpLink(std::string_view prefix, std::string_view text) {
  TcpLink link;
  std::string_view host = text;
  std::optional<std::string_view> port;
  if (!text.empty() && text.front() == '[') {
    const std::size_t close = text.find(']');
    if (close == std::string_view::npos) return Malformed("the IPv6 address has no closing ]");
    host = text.substr(1, close - 1);
    const std::string_view after = text.substr(close + 1);
    if (!after.empty()) {
      if (after.front() != ':') return Malformed("expected :<port> after the IPv6 address");
      port = after.substr(1);
    }
    if (!IsIpv6Address(host)) {
      return Malformed("the IPv6 address " + QuotedForReason(host) + " is not one");
    }
  } else {
    const std::size_t colon = text.find(':');
    if (colon != std::string_view::npos) {
      host = text.substr(0, colon);
      port = text.substr(colon + 1);
    }
    if (host.empty()) return Malformed("the " + std::string(prefix) + " link has no host");
    if (!AllOf(host, IsHostNameByte)) {
      return Malformed("the host " + QuotedForReason(host) +
                       " is not a host name or an IPv4 address (an IPv6 address goes in [])");
    }
  }
  if (port) {
    const std::optional<std::uint32_t> number = ParseDecimal(*port, kLargestPort);
    if (!number || *number == 0)
      return Malformed("the port " + QuotedForReason(*port) + " is not 1-65535");
    link.port = static_cast<std::uint16_t>(*number);
  }
  link.host = std::string(host);
  return link;
}

std::variant<RtuLink, Status> ParseRtuLink(std::string_view text) {
  RtuLink link;
  const std::size_t at = text.rfind('@');
  const std::string_view device = text.substr(0, at);
  if (device.empty()) return Malformed("the rtu: link has no device");
  // A control character (NUL included) is in no device's name, and would break the reasons that
  // name the device.
  for (char byte : device) {
    if (static_cast<unsigned char>(byte) < 0x20 || byte == 0x7F) {
      return Malformed("the device holds a control character");
    }
  }
  link.device = std::string(device);
  if (at == std::string_view::npos) return link;

  const std::string_view settings = text.substr(at + 1);
  const std::size_t comma = settings.find(',');
  const std::string_view baud = settings.substr(0, comma);
  const std::optional<std::uint32_t> rate =
      ParseDecimal(baud, kBaudRates[std::size(kBaudRates) - 1]);
  bool known = false;
  for (int each : kBaudRates) known = known || (rate && static_cast<int>(*rate) == each);
  if (!known) {
    return Malformed("the baud rate " + QuotedForReason(baud) +
                     " is not one of 1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200");
  }
  link.baud = static_cast<int>(*rate);
  if (comma == std::string_view::npos) return link;

  const std::string_view frame = settings.substr(comma + 1);
  const std::optional<Parity> parity =
      frame.size() == 3 ? Find(kParities, frame.substr(1, 1)) : std::nullopt;
  if (!parity || (frame[0] != '7' && frame[0] != '8') || (frame[2] != '1' && frame[2] != '2')) {
    return Malformed("the frame " + QuotedForReason(frame) +
                     " is not data bits 7 or 8, parity N, E or O, stop bits 1 or 2 (as 8E1)");
  }
  link.data_bits = frame[0] - '0';
  link.parity = *parity;
  link.stop_bits = frame[2] - '0';
  return link;
}

std::optional<Status> ParseLink(std::string_view text, ItemAddress& item) {
  if (StartsWithIgnoringCase(text, kRtuOverTcpPrefix)) {
    auto parsed = ParseTcpLink(kRtuOverTcpPrefix, text.substr(kRtuOverTcpPrefix.size()));
    if (auto* error = std::get_if<Status>(&parsed)) return std::move(*error);
    item.link = RtuOverTcpLink{std::get<TcpLink>(std::move(parsed))};
    return std::nullopt;
  }
  if (StartsWithIgnoringCase(text, kTcpPrefix)) {
    auto parsed = ParseTcpLink(kTcpPrefix, text.substr(kTcpPrefix.size()));
    if (auto* error = std::get_if<Status>(&parsed)) return std::move(*error);
    item.link = std::get<TcpLink>(std::move(parsed));
    return std::nullopt;
  }
  if (StartsWithIgnoringCase(text, kRtuPrefix)) {
    auto parsed = ParseRtuLink(text.substr(kRtuPrefix.size()));
    if (auto* error = std::get_if<Status>(&parsed)) return std::move(*error);
    item.link = std::get<RtuLink>(std::move(parsed));
    return std::nullopt;
  }
  return Malformed("the link " + QuotedForReason(text) +
                   " is not tcp:<host>, rtuovertcp:<host> or rtu:<device>");
}

std::optional<Status> ParseUnit(std::string_view text, ItemAddress& item) {
  // A unit on a serial bus is 1-247, whatever carries its frames.
  const bool rtu = !std::holds_alternative<TcpLink>(item.link);
  const std::optional<std::uint32_t> unit = ParseDecimal(text, kTcpEveryUnit);
  const bool fits = unit && (rtu ? *unit >= kSmallestRtuUnit && *unit <= kLargestUnit
                                 : *unit <= kLargestUnit || *unit == kTcpEveryUnit);
  if (!fits) {
    return Malformed("the unit " + QuotedForReason(text) +
                     (rtu ? " is not 1-247 (rtu)" : " is not 0-247 or 255 (tcp)"));
  }
  item.unit = static_cast<int>(*unit);
  return std::nullopt;
}

constexpr std::string_view kBitsHoldBoolOnly = "coils and discrete inputs hold bool only";

// str<N>, N 1-246.
std::optional<Status> ParseStringType(std::string_view type_text, ItemAddress& item) {
  const std::string_view length_text = type_text.substr(kStringType.size());
  const std::optional<std::uint32_t> length = ParseDecimal(length_text, kLongestString);
  if (!length || *length == 0) {
    return Malformed("the string length " + QuotedForReason(length_text) +
                     " is not 1-246 (as str16)");
  }
  item.type = ValueType::kString;
  item.string_bytes = static_cast<int>(*length);
  return std::nullopt;
}

std::optional<Status> ParseType(std::string_view type_text, bool bits, ItemAddress& item) {
  if (StartsWithIgnoringCase(type_text, kStringType) &&
      !EqualsIgnoringCase(type_text, kStringType) &&
      type_text.find_first_not_of("0123456789", kStringType.size()) == std::string_view::npos) {
    if (bits) return Malformed(std::string(kBitsHoldBoolOnly));
    if (item.bit) return Malformed("a bit of a register is bool only");
    return ParseStringType(type_text, item);
  }
  const std::optional<ValueType> type = Find(kTypes, type_text);
  if (!type) return Malformed("the type " + QuotedForReason(type_text) + " is not known");
  if (item.bit) {
    if (*type != ValueType::kBool) return Malformed("a bit of a register is bool only");
    return std::nullopt;
  }
  if ((*type == ValueType::kBool) != bits) {
    return Malformed(std::string(bits ? kBitsHoldBoolOnly
                                      : "registers hold u16, i16, u32, i32, f32, u64, i64 or "
                                        "f64, not bool"));
  }
  item.type = *type;
  return std::nullopt;
}

std::optional<Status> ParseOrder(std::string_view order_text, ItemAddress& item) {
  const std::optional<ByteOrder> order = Find(kOrders, order_text);
  if (!order) {
    return Malformed("the byte order " + QuotedForReason(order_text) +
                     " is not abcd, cdab, badc or dcba");
  }
  if (item.type == ValueType::kString) {
    if (*order != ByteOrder::kAbcd && *order != ByteOrder::kBadc) {
      return Malformed("a string's byte order is abcd or badc");
    }
  } else if (WidthOf(item.type) == 1) {
    return Malformed("a byte order applies to 32- and 64-bit types only");
  }
  item.order = *order;
  return std::nullopt;
}

// <offset>[.<bit>][:<type>[:<order>]]
std::optional<Status> ParseItem(std::string_view text, ItemAddress& item) {
  const std::size_t first = text.find(':');
  const std::size_t second = first == std::string_view::npos ? first : text.find(':', first + 1);
  if (second != std::string_view::npos && text.find(':', second + 1) != std::string_view::npos) {
    return Malformed("expected <offset>[:<type>[:<order>]], found " + QuotedForReason(text));
  }
  const bool bits = item.table == Table::kCoils || item.table == Table::kDiscreteInputs;
  std::string_view offset_text = text.substr(0, first);
  const std::size_t dot = offset_text.find(kBitSeparator);
  if (dot != std::string_view::npos) {
    if (bits)
      return Malformed(
          "coils and discrete inputs have no bits of their own: <offset>.<bit> is for hr and ir");
    const std::string_view bit_text = offset_text.substr(dot + 1);
    const std::optional<std::uint32_t> bit = ParseDecimal(bit_text, kHighestBit);
    if (!bit) return Malformed("the bit " + QuotedForReason(bit_text) + " is not 0-15");
    item.bit = static_cast<int>(*bit);
    offset_text = offset_text.substr(0, dot);
  }
  const std::optional<std::uint32_t> offset = ParseNumber(offset_text, kLargestOffset);
  if (!offset)
    return Malformed("the offset " + QuotedForReason(offset_text) +
                     " is not 0-65535 (or 0x0-0xFFFF)");
  item.offset = static_cast<std::uint16_t>(*offset);

  item.type = bits || item.bit ? ValueType::kBool : ValueType::kU16;
  if (first != std::string_view::npos) {
    if (auto error = ParseType(text.substr(first + 1, second - first - 1), bits, item)) {
      return error;
    }
  }
  if (second != std::string_view::npos) {
    if (auto error = ParseOrder(text.substr(second + 1), item)) return error;
  }
  if (*offset + RegisterCount(item) - 1 > kLargestOffset) {
    const std::string type = item.type == ValueType::kString
                                 ? "str" + std::to_string(item.string_bytes)
                                 : std::string(NameOf(item.type));
    return Malformed("a " + type + " at " + std::to_string(*offset) +
                     " would end past register 65535");
  }
  return std::nullopt;
}

std::optional<Status> ParseOptions(std::string_view text, ItemAddress& item) {
  if (text.empty()) return Malformed("nothing follows the ?");
  bool timeout_seen = false;
  bool function_seen = false;
  for (;;) {
    const std::size_t amp = text.find('&');
    const std::string_view option = text.substr(0, amp);
    const std::size_t equals = option.find('=');
    const std::string_view name = option.substr(0, equals);
    const std::string_view value =
        equals == std::string_view::npos ? std::string_view() : option.substr(equals + 1);
    if (option.empty()) return Malformed("an option is empty");
    if (EqualsIgnoringCase(name, kTimeoutOption) && equals != std::string_view::npos &&
        !timeout_seen) {
      const std::optional<std::chrono::microseconds> timeout =
          ParseSeconds(value, kShortestTimeout, kLongestTimeout);
      if (!timeout)
        return Malformed("the timeout " + QuotedForReason(value) + " is not 0.1-60 seconds");
      item.timeout = *timeout;
      timeout_seen = true;
    } else if (EqualsIgnoringCase(name, kFunctionOption) && equals != std::string_view::npos &&
               !function_seen) {
      if (ParseDecimal(value, kWriteMultipleRegisters) != kWriteMultipleRegisters) {
        return Malformed("fc=" + QuotedForReason(value) + " is not known: only fc=16 is");
      }
      item.single_register_with_fc16 = true;
      function_seen = true;
    } else {
      return Malformed("the option " + QuotedForReason(option) +
                       " is not known or repeated (timeout=<seconds>, fc=16)");
    }
    if (amp == std::string_view::npos) break;
    text.remove_prefix(amp + 1);
  }
  if (item.single_register_with_fc16 &&
      (item.table != Table::kHoldingRegisters || WidthOf(item.type) != 1 || item.bit ||
       item.type == ValueType::kString)) {
    return Malformed("fc=16 applies to one holding register (u16 or i16) only");
  }
  return std::nullopt;
}

}  // namespace

std::variant<ItemAddress, Status> ParseModbusAddress(std::string_view address_utf8) {
  if (!StartsWithIgnoringCase(address_utf8, kPrefix))
    return Malformed("it does not begin with MODBUS:");
  std::string_view rest = address_utf8.substr(kPrefix.size());
  const std::size_t last_slash = rest.rfind('/');
  // Options follow the item, whose last field holds no '/'; a '?' before it is the device's.
  const std::size_t question =
      last_slash == std::string_view::npos ? std::string_view::npos : rest.find('?', last_slash);
  const std::string_view item_text = rest.substr(0, question);
  const std::size_t third = last_slash;
  const std::size_t second = third == std::string_view::npos || third == 0
                                 ? std::string_view::npos
                                 : item_text.rfind('/', third - 1);
  const std::size_t first = second == std::string_view::npos || second == 0
                                ? std::string_view::npos
                                : item_text.rfind('/', second - 1);
  if (first == std::string_view::npos) {
    return Malformed("expected MODBUS:<link>/<unit>/<table>/<offset>");
  }

  ItemAddress item;
  if (auto error = ParseLink(item_text.substr(0, first), item)) return std::move(*error);
  if (auto error = ParseUnit(item_text.substr(first + 1, second - first - 1), item)) {
    return std::move(*error);
  }
  const std::string_view table_text = item_text.substr(second + 1, third - second - 1);
  const std::optional<Table> table = Find(kTables, table_text);
  if (!table) {
    return Malformed("the table " + QuotedForReason(table_text) +
                     " is not co (coil), di (discrete), ir (input) or hr (holding)");
  }
  item.table = *table;
  if (auto error = ParseItem(item_text.substr(third + 1), item)) return std::move(*error);
  if (question != std::string_view::npos) {
    if (auto error = ParseOptions(rest.substr(question + 1), item)) return std::move(*error);
  }
  return item;
}

std::variant<ItemAddress, Status> ParseModbusAddress(std::u16string_view address) {
  const std::optional<std::string> bytes = EncodeUtf8(address);
  if (!bytes) return Malformed("it holds an unpaired UTF-16 surrogate");
  return ParseModbusAddress(std::string_view(*bytes));
}

int WidthOf(ValueType type) {
  switch (type) {
    case ValueType::kU32:
    case ValueType::kI32:
    case ValueType::kF32:
      return 2;
    case ValueType::kU64:
    case ValueType::kI64:
    case ValueType::kF64:
      return 4;
    case ValueType::kBool:
    case ValueType::kU16:
    case ValueType::kI16:
    case ValueType::kString:  // Counted by RegisterCount from its length.
      break;
  }
  return 1;
}

int RegisterCount(const ItemAddress& item) {
  if (item.bit) return 1;
  if (item.type == ValueType::kString) return (item.string_bytes + 1) / 2;
  return WidthOf(item.type);
}

bool IsWritable(Table table) { return table == Table::kCoils || table == Table::kHoldingRegisters; }

std::string_view NameOf(Table table) {
  switch (table) {
    case Table::kCoils:
      return "co";
    case Table::kDiscreteInputs:
      return "di";
    case Table::kInputRegisters:
      return "ir";
    case Table::kHoldingRegisters:
      break;
  }
  return "hr";
}

std::string_view NameOf(ValueType type) {
  return type == ValueType::kString ? kStringType : NameIn(kTypes, type);
}
std::string_view NameOf(ByteOrder order) { return NameIn(kOrders, order); }

std::string DescribeLink(const Link& link) {
  if (const auto* tcp = std::get_if<TcpLink>(&link)) {
    const bool ipv6 = tcp->host.find(':') != std::string::npos;
    return "tcp:" + (ipv6 ? "[" + tcp->host + "]" : tcp->host) + ":" + std::to_string(tcp->port);
  }
  if (const auto* framed = std::get_if<RtuOverTcpLink>(&link)) {
    return "rtuovertcp" + DescribeLink(framed->tcp).substr(kTcpPrefix.size() - 1);
  }
  const auto& rtu = std::get<RtuLink>(link);
  const char parity = rtu.parity == Parity::kNone ? 'N' : rtu.parity == Parity::kEven ? 'E' : 'O';
  return "rtu:" + rtu.device + "@" + std::to_string(rtu.baud) + "," +
         std::to_string(rtu.data_bits) + parity + std::to_string(rtu.stop_bits);
}

}  // namespace rozovevi::ioserver::standin::modbus
