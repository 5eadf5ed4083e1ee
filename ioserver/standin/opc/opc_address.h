// An "OPC:" address taken apart: the server's endpoint, the wait, and the node. NodeIds in
// their text form, both ways. Pure text work, no I/O, so that it can be fuzzed.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "ioserver/standin/opc/ua_types.h"

namespace rozovevi::ioserver::standin::opc {

inline constexpr std::uint16_t kDefaultPort = 4840;
// The wait for the connection, and again for each reply: the default and the bounds of timeout=.
inline constexpr std::chrono::microseconds kDefaultTimeout{5000000};
inline constexpr std::chrono::microseconds kShortestTimeout{100000};
inline constexpr std::chrono::microseconds kLongestTimeout{60000000};

// A NodeId as written: its namespace given by index (in id) or by URI, to be looked up in the
// server's namespace table.
struct NodeRef {
  NodeId id;
  std::optional<std::string> namespace_uri;
};

struct OpcAddress {
  std::string endpoint_url;  // "opc.tcp://<host>[:<port>][/<path>]" exactly as written.
  std::string host;          // A host name, an IPv4 address or an IPv6 address without brackets.
  std::uint16_t port = kDefaultPort;
  std::chrono::microseconds timeout = kDefaultTimeout;
  NodeRef node;
};

// Why an address was refused, one line of UTF-8 beginning "malformed OPC address".
struct AddressError {
  std::string reason;
};

// Takes apart a whole address, its prefix included:
//   OPC:opc.tcp://<host>[:<port>][/<path>][?<option>[&<option>]]#<node>
// "OPC:" and "opc.tcp://" in any letter case; a control character anywhere is refused.
std::variant<OpcAddress, AddressError> ParseOpcAddress(std::u16string_view address);
std::variant<OpcAddress, AddressError> ParseOpcAddress(std::string_view address_utf8);

// A NodeId in its text form: [ns=<index>;|nsu=<uri>;](i=<n>|s=<text>|g=<guid>|b=<base64>).
// Returns the reason it is not one.
std::variant<NodeRef, std::string> ParseNodeId(std::string_view text);

// The text forms that ParseNodeId reads: "ns=2;s=Motor", "i=2255" (no ns= in namespace 0).
std::string FormatNodeId(const NodeId& node);
// An ExpandedNodeId: "svr=<index>;" and "nsu=<uri>;" before the rest where they are given.
std::string FormatExpandedNodeId(const ExpandedNodeId& node);
// "09087e75-8e5e-499b-954f-f2a9603db28a".
std::string FormatGuid(const Guid& guid);
std::optional<Guid> ParseGuid(std::string_view text);

// Base64 with the standard alphabet and padding; decoding refuses anything else.
std::string EncodeBase64(std::string_view bytes);
std::optional<std::string> DecodeBase64(std::string_view text);

}  // namespace rozovevi::ioserver::standin::opc
