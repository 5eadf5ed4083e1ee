// The "OPC:" address and the NodeId text form: parsed strictly, printed back the same way.
#include "ioserver/standin/opc/opc_address.h"

#include <arpa/inet.h>

#include <array>
#include <limits>

#include "ioserver/ascii_text.h"
#include "ioserver/utf8.h"

namespace rozovevi::ioserver::standin::opc {
namespace {

constexpr std::string_view kPrefix = "opc:";
constexpr std::string_view kScheme = "opc.tcp://";
constexpr std::string_view kTimeoutOption = "timeout";
constexpr std::uint32_t kLargestPort = 65535;
constexpr std::uint32_t kLargestNamespace = 65535;
constexpr char kHexDigits[] = "0123456789abcdef";
constexpr char kBase64Alphabet[] =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
// The groups of hex digits of a Guid's text form.
constexpr std::array<std::size_t, 5> kGuidGroups = {8, 4, 4, 4, 12};

AddressError Malformed(std::string what) {
  return AddressError{"malformed OPC address: " + std::move(what)};
}

// C0 controls, DEL, and the C1 controls (two bytes in UTF-8: C2 80 to C2 9F).
bool HoldsControlCharacter(std::string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte < 0x20 || byte == 0x7F) return true;
    if (byte == 0xC2 && i + 1 < text.size()) {
      const auto next = static_cast<unsigned char>(text[i + 1]);
      if (next >= 0x80 && next <= 0x9F) return true;
    }
  }
  return false;
}

bool IsHostNameByte(char byte) {
  return IsAsciiAlphanumeric(byte) || byte == '-' || byte == '.' || byte == '_';
}

int HexValue(char byte) {
  if (byte >= '0' && byte <= '9') return byte - '0';
  const char lower = LowerAscii(byte);
  if (lower >= 'a' && lower <= 'f') return lower - 'a' + 10;
  return -1;
}

int Base64Value(char byte) {
  for (int i = 0; i < 64; ++i) {
    if (kBase64Alphabet[i] == byte) return i;
  }
  return -1;
}

void AppendHex(std::string& text, std::uint64_t value, int digits) {
  for (int i = digits - 1; i >= 0; --i) text.push_back(kHexDigits[(value >> (4 * i)) & 0xF]);
}

// Splits "host[:port]" or "[v6][:port]" into address's host and port.
std::optional<AddressError> ParseAuthority(std::string_view authority, OpcAddress& address) {
  std::string_view port_text;
  bool has_port = false;
  if (!authority.empty() && authority.front() == '[') {
    const std::size_t close = authority.find(']');
    if (close == std::string_view::npos) return Malformed("an IPv6 address without its ']'");
    address.host = std::string(authority.substr(1, close - 1));
    in6_addr parsed{};
    if (::inet_pton(AF_INET6, address.host.c_str(), &parsed) != 1) {
      return Malformed("'" + address.host + "' is no IPv6 address");
    }
    const std::string_view after = authority.substr(close + 1);
    if (!after.empty()) {
      if (after.front() != ':') return Malformed("text after the IPv6 address's ']'");
      port_text = after.substr(1);
      has_port = true;
    }
  } else {
    const std::size_t colon = authority.find(':');
    address.host = std::string(authority.substr(0, colon));
    if (colon != std::string_view::npos) {
      port_text = authority.substr(colon + 1);
      has_port = true;
    }
    if (address.host.empty()) return Malformed("no host after opc.tcp://");
    for (char byte : address.host) {
      if (!IsHostNameByte(byte)) {
        return Malformed("the host " + QuotedForReason(address.host) +
                         " holds a character a host name cannot (an IPv6 address goes in [])");
      }
    }
  }
  if (has_port) {
    const std::optional<std::uint32_t> port = ParseDecimal(port_text, kLargestPort);
    if (!port || *port == 0) {
      return Malformed("the port " + QuotedForReason(port_text) + " is not a number 1-65535");
    }
    address.port = static_cast<std::uint16_t>(*port);
  }
  return std::nullopt;
}

std::optional<AddressError> ParseOptions(std::string_view options, OpcAddress& address) {
  if (options.empty()) return Malformed("an empty '?'");
  bool timeout_seen = false;
  while (true) {
    const std::size_t amp = options.find('&');
    const std::string_view option = options.substr(0, amp);
    if (option.empty()) return Malformed("an empty option");
    const std::size_t equals = option.find('=');
    const std::string_view name = option.substr(0, equals);
    if (!EqualsIgnoringCase(name, kTimeoutOption) || equals == std::string_view::npos) {
      return Malformed("unknown option " + QuotedForReason(option) +
                       " (the one option is timeout=<seconds>)");
    }
    if (timeout_seen) return Malformed("timeout= given twice");
    timeout_seen = true;
    const std::string_view value = option.substr(equals + 1);
    const auto timeout = ParseSeconds(value, kShortestTimeout, kLongestTimeout);
    if (!timeout) {
      return Malformed("the timeout " + QuotedForReason(value) + " is not 0.1 to 60 seconds");
    }
    address.timeout = *timeout;
    if (amp == std::string_view::npos) return std::nullopt;
    options = options.substr(amp + 1);
  }
}

}  // namespace

std::variant<OpcAddress, AddressError> ParseOpcAddress(std::u16string_view address) {
  std::optional<std::string> utf8 = EncodeUtf8(address);
  if (!utf8) return Malformed("the address is not valid text (an unpaired surrogate)");
  return ParseOpcAddress(std::string_view(*utf8));
}

std::variant<OpcAddress, AddressError> ParseOpcAddress(std::string_view text) {
  if (!StartsWithIgnoringCase(text, kPrefix)) return Malformed("it does not begin with OPC:");
  if (HoldsControlCharacter(text)) return Malformed("a control character in the address");
  text.remove_prefix(kPrefix.size());
  if (!StartsWithIgnoringCase(text, kScheme)) {
    return Malformed("OPC: is followed by opc.tcp://<host>[:<port>][/<path>]#<node>");
  }
  const std::size_t hash = text.find('#');
  if (hash == std::string_view::npos) {
    return Malformed("no node: end the address with #<NodeId>, such as #ns=2;s=Speed");
  }
  const std::string_view node_text = text.substr(hash + 1);
  const std::string_view before = text.substr(0, hash);
  const std::size_t question = before.find('?');
  const std::string_view url = before.substr(0, question);
  const std::string_view rest = url.substr(kScheme.size());
  const std::size_t slash = rest.find('/');

  OpcAddress address;
  address.endpoint_url = std::string(url);
  if (auto error = ParseAuthority(rest.substr(0, slash), address)) return *std::move(error);
  if (question != std::string_view::npos) {
    if (auto error = ParseOptions(before.substr(question + 1), address)) {
      return *std::move(error);
    }
  }
  auto node = ParseNodeId(node_text);
  if (auto* reason = std::get_if<std::string>(&node)) return Malformed(*std::move(reason));
  address.node = std::get<NodeRef>(std::move(node));
  return address;
}

std::variant<NodeRef, std::string> ParseNodeId(std::string_view text) {
  NodeRef ref;
  const std::string_view whole = text;
  if (text.substr(0, 3) == "ns=") {
    const std::size_t semicolon = text.find(';');
    if (semicolon == std::string_view::npos) return std::string("ns=<index> without its ';'");
    const std::string_view index = text.substr(3, semicolon - 3);
    const auto parsed = ParseDecimal(index, kLargestNamespace);
    if (!parsed) return "the namespace index " + QuotedForReason(index) + " is not 0-65535";
    ref.id.namespace_index = static_cast<std::uint16_t>(*parsed);
    text.remove_prefix(semicolon + 1);
  } else if (text.substr(0, 4) == "nsu=") {
    const std::size_t semicolon = text.find(';');
    if (semicolon == std::string_view::npos) return std::string("nsu=<URI> without its ';'");
    if (semicolon == 4) return std::string("an empty namespace URI after nsu=");
    ref.namespace_uri = std::string(text.substr(4, semicolon - 4));
    text.remove_prefix(semicolon + 1);
  }
  if (text.size() < 2 || text[1] != '=') {
    return "the node " + QuotedForReason(whole) +
           " is no NodeId: i=<number>, s=<text>, g=<guid> or b=<base64>, each optionally after "
           "ns=<index>; or nsu=<URI>;";
  }
  const std::string_view identifier = text.substr(2);
  switch (text[0]) {
    case 'i': {
      const auto number = ParseDecimal(identifier, std::numeric_limits<std::uint32_t>::max());
      if (!number) {
        return "the numeric identifier " + QuotedForReason(identifier) + " is not 0-4294967295";
      }
      ref.id.numeric = *number;
      return ref;
    }
    case 's':
      if (identifier.empty()) return std::string("an empty string identifier after s=");
      if (!DecodeUtf8(identifier)) return std::string("the string identifier is not valid UTF-8");
      ref.id.id_type = IdType::kString;
      ref.id.text = std::string(identifier);
      return ref;
    case 'g': {
      const auto guid = ParseGuid(identifier);
      if (!guid) {
        return "the Guid " + QuotedForReason(identifier) +
               " is not 8-4-4-4-12 hex digits (g=09087e75-8e5e-499b-954f-f2a9603db28a)";
      }
      ref.id.id_type = IdType::kGuid;
      ref.id.guid = *guid;
      return ref;
    }
    case 'b': {
      auto bytes = DecodeBase64(identifier);
      if (!bytes || bytes->empty()) {
        return "the opaque identifier " + QuotedForReason(identifier) + " is not base64";
      }
      ref.id.id_type = IdType::kOpaque;
      ref.id.text = *std::move(bytes);
      return ref;
    }
    default:
      return "the node " + QuotedForReason(whole) +
             " is no NodeId: i=<number>, s=<text>, g=<guid> or b=<base64>";
  }
}

std::string FormatNodeId(const NodeId& node) {
  std::string text;
  if (node.namespace_index != 0) text = "ns=" + std::to_string(node.namespace_index) + ";";
  switch (node.id_type) {
    case IdType::kNumeric:
      return text + "i=" + std::to_string(node.numeric);
    case IdType::kString:
      return text + "s=" + node.text;
    case IdType::kGuid:
      return text + "g=" + FormatGuid(node.guid);
    case IdType::kOpaque:
      return text + "b=" + EncodeBase64(node.text);
  }
  return text;
}

std::string FormatExpandedNodeId(const ExpandedNodeId& node) {
  std::string text;
  if (node.server_index != 0) text = "svr=" + std::to_string(node.server_index) + ";";
  if (!node.namespace_uri) return text + FormatNodeId(node.node);
  NodeId local = node.node;
  local.namespace_index = 0;
  return text + "nsu=" + *node.namespace_uri + ";" + FormatNodeId(local);
}

std::string FormatGuid(const Guid& guid) {
  std::string text;
  AppendHex(text, guid.data1, 8);
  text.push_back('-');
  AppendHex(text, guid.data2, 4);
  text.push_back('-');
  AppendHex(text, guid.data3, 4);
  text.push_back('-');
  for (std::size_t i = 0; i < guid.data4.size(); ++i) {
    if (i == 2) text.push_back('-');
    AppendHex(text, guid.data4[i], 2);
  }
  return text;
}

std::optional<Guid> ParseGuid(std::string_view text) {
  std::string digits;
  std::size_t at = 0;
  for (std::size_t group = 0; group < kGuidGroups.size(); ++group) {
    if (group > 0) {
      if (at >= text.size() || text[at] != '-') return std::nullopt;
      ++at;
    }
    for (std::size_t i = 0; i < kGuidGroups[group]; ++i, ++at) {
      if (at >= text.size() || HexValue(text[at]) < 0) return std::nullopt;
      digits.push_back(text[at]);
    }
  }
  if (at != text.size()) return std::nullopt;
  auto value = [&digits](std::size_t from, std::size_t count) {
    std::uint64_t result = 0;
    for (std::size_t i = from; i < from + count; ++i) {
      result = (result << 4) | static_cast<std::uint64_t>(HexValue(digits[i]));
    }
    return result;
  };
  Guid guid;
  guid.data1 = static_cast<std::uint32_t>(value(0, 8));
  guid.data2 = static_cast<std::uint16_t>(value(8, 4));
  guid.data3 = static_cast<std::uint16_t>(value(12, 4));
  for (std::size_t i = 0; i < guid.data4.size(); ++i) {
    guid.data4[i] = static_cast<std::uint8_t>(value(16 + 2 * i, 2));
  }
  return guid;
}

std::string EncodeBase64(std::string_view bytes) {
  std::string text;
  text.reserve((bytes.size() + 2) / 3 * 4);
  for (std::size_t i = 0; i < bytes.size(); i += 3) {
    const std::size_t count = std::min<std::size_t>(3, bytes.size() - i);
    std::uint32_t group = 0;
    for (std::size_t j = 0; j < 3; ++j) {
      group = (group << 8) | (j < count ? static_cast<unsigned char>(bytes[i + j]) : 0U);
    }
    for (std::size_t j = 0; j < 4; ++j) {
      text.push_back(j <= count ? kBase64Alphabet[(group >> (18 - 6 * j)) & 0x3F] : '=');
    }
  }
  return text;
}

std::optional<std::string> DecodeBase64(std::string_view text) {
  if (text.size() % 4 != 0) return std::nullopt;
  std::string bytes;
  bytes.reserve(text.size() / 4 * 3);
  for (std::size_t i = 0; i < text.size(); i += 4) {
    const bool last = i + 4 == text.size();
    std::size_t padding = 0;
    std::uint32_t group = 0;
    for (std::size_t j = 0; j < 4; ++j) {
      const char byte = text[i + j];
      int value = 0;
      if (byte == '=' && last && j >= 2) {
        ++padding;
      } else if (padding > 0 || (value = Base64Value(byte)) < 0) {
        return std::nullopt;
      }
      group = (group << 6) | static_cast<std::uint32_t>(value);
    }
    const std::size_t count = 3 - padding;
    // Bits left over under the padding must be zero, so that each text has one meaning.
    if ((group & ((1U << (8 * padding)) - 1)) != 0) return std::nullopt;
    for (std::size_t j = 0; j < count; ++j) {
      bytes.push_back(static_cast<char>((group >> (16 - 8 * j)) & 0xFF));
    }
  }
  return bytes;
}

}  // namespace rozovevi::ioserver::standin::opc
