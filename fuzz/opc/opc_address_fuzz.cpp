// Any bytes as an OPC: address. What the parser accepts keeps every bound, its node printed back
// parses to the same NodeId, and every refusal is one line.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "fuzz/fuzz_check.h"
#include "ioserver/standin/opc/opc_address.h"

namespace {

using rozovevi::fuzz::Require;

using namespace rozovevi::ioserver::standin::opc;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const auto parsed = ParseOpcAddress(text);
  if (const auto* error = std::get_if<AddressError>(&parsed)) {
    Require(error->reason.rfind("malformed OPC address: ", 0) == 0);
    Require(error->reason.find('\n') == std::string::npos);
    return 0;
  }
  const OpcAddress& address = std::get<OpcAddress>(parsed);
  Require(address.port != 0 && !address.host.empty());
  Require(address.timeout >= kShortestTimeout && address.timeout <= kLongestTimeout);
  Require(address.endpoint_url.find('#') == std::string::npos);
  Require(address.endpoint_url.find('?') == std::string::npos);
  Require(address.endpoint_url.size() < size);

  NodeId local = address.node.id;
  std::string printed = FormatNodeId(local);
  if (address.node.namespace_uri) printed = "nsu=" + *address.node.namespace_uri + ";" + printed;
  const auto again = ParseNodeId(printed);
  Require(std::holds_alternative<NodeRef>(again));
  const NodeRef& ref = std::get<NodeRef>(again);
  Require(ref.id == address.node.id && ref.namespace_uri == address.node.namespace_uri);
  return 0;
}
