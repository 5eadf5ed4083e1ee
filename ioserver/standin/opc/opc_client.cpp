// A read or a write as one exchange: the node resolved, its value read or the right type
// written, and every failure said as an operator can act on it.
#include "ioserver/standin/opc/opc_client.h"

#include "ioserver/standin/opc/opc_exchange.h"
#include "ioserver/standin/opc/ua_value_text.h"

namespace rozovevi::ioserver::standin::opc {
namespace {

constexpr std::int32_t kScalarRank = -1;
constexpr std::int32_t kAnyRank = -2;
constexpr std::int32_t kScalarOrOneDimension = -3;
constexpr std::string_view kNothingWritten = "; nothing was written";

// Opens the exchange and finds the node's id, its namespace looked up where given by URI.
Status Begin(Exchange& exchange, const OpcAddress& address, NodeId& node) {
  if (Status opened = exchange.Open(); !opened.ok()) return opened;
  node = address.node.id;
  if (address.node.namespace_uri) {
    return exchange.NamespaceIndex(*address.node.namespace_uri, node.namespace_index);
  }
  return Status::Ok();
}

std::string NodeText(const OpcAddress& address) {
  if (!address.node.namespace_uri) return FormatNodeId(address.node.id);
  NodeId local = address.node.id;
  local.namespace_index = 0;
  return "nsu=" + *address.node.namespace_uri + ";" + FormatNodeId(local);
}

Status BadResult(const OpcAddress& address, std::string_view what, StatusCode code) {
  return Status::Failure(std::string(what) + " " + NodeText(address) +
                         " failed: " + DescribeStatus(code));
}

// The built-in type a write must use: the DataType where it is one, else the type of the value
// the node holds now.
std::optional<BuiltinType> TypeToWrite(const DataValue& data_type, const DataValue& value) {
  if (!IsBad(data_type.status) && data_type.value.type == BuiltinType::kNodeId &&
      !data_type.value.is_array) {
    const NodeId& type = data_type.value.node.node;
    if (type.namespace_index == 0 && type.id_type == IdType::kNumeric &&
        type.numeric >= static_cast<std::uint32_t>(BuiltinType::kBoolean) &&
        type.numeric <= static_cast<std::uint32_t>(BuiltinType::kLocalizedText)) {
      return static_cast<BuiltinType>(type.numeric);
    }
  }
  if (!IsBad(value.status) && !value.value.is_array && IsSingleTextType(value.value.type)) {
    return value.value.type;
  }
  return std::nullopt;
}

std::string DataTypeText(const DataValue& data_type) {
  if (!IsBad(data_type.status) && data_type.value.type == BuiltinType::kNodeId) {
    return FormatNodeId(data_type.value.node.node);
  }
  return "unknown";
}

}  // namespace

Status ReadNode(const OpcAddress& address, FrameTrace* trace, std::string& text) {
  Exchange exchange(address, trace);
  NodeId node;
  if (Status begun = Begin(exchange, address, node); !begun.ok()) return begun;
  std::vector<DataValue> results;
  if (Status read = exchange.Read({{node, AttributeId::kValue}}, results); !read.ok()) {
    return read;
  }
  const DataValue& result = results.front();
  if (IsBad(result.status)) return BadResult(address, "reading", result.status);
  auto formatted = FormatVariant(result.value);
  if (auto* error = std::get_if<ValueTextError>(&formatted)) {
    return Status::Failure(error->reason);
  }
  exchange.Close();
  text = std::get<std::string>(std::move(formatted));
  return Status::Ok();
}

Status WriteNode(const OpcAddress& address, std::u16string_view text, FrameTrace* trace) {
  Exchange exchange(address, trace);
  NodeId node;
  if (Status begun = Begin(exchange, address, node); !begun.ok()) return begun;
  std::vector<DataValue> results;
  if (Status read = exchange.Read({{node, AttributeId::kDataType},
                                   {node, AttributeId::kValueRank},
                                   {node, AttributeId::kValue}},
                                  results);
      !read.ok()) {
    return read;
  }
  const DataValue& data_type = results[0];
  const DataValue& rank = results[1];
  const DataValue& value = results[2];
  if (IsBad(data_type.status)) {
    return BadResult(address, "reading the DataType of", data_type.status)
        .WithSuffix(kNothingWritten);
  }
  const bool holds_single = !value.value.is_array && value.value.dimensions.empty();
  if (!IsBad(value.status) && value.has_value &&
      (!holds_single || value.value.type == BuiltinType::kExtensionObject)) {
    return Status::Failure("the node holds " + DescribeContent(value.value) +
                           "; only single values can be read or written" +
                           std::string(kNothingWritten));
  }
  if (!IsBad(rank.status) && rank.value.type == BuiltinType::kInt32) {
    const auto value_rank = static_cast<std::int32_t>(rank.value.bits);
    const bool single =
        value_rank == kScalarRank ||
        ((value_rank == kAnyRank || value_rank == kScalarOrOneDimension) && holds_single);
    if (!single) {
      return Status::Failure("the node takes arrays (ValueRank " + std::to_string(value_rank) +
                             "); only single values can be read or written" +
                             std::string(kNothingWritten));
    }
  }
  const std::optional<BuiltinType> type = TypeToWrite(data_type, value);
  if (!type) {
    return Status::Failure("the node's DataType " + DataTypeText(data_type) +
                           " is no built-in type and its value tells none" +
                           std::string(kNothingWritten));
  }
  auto parsed = ParseVariant(*type, text);
  if (auto* error = std::get_if<ValueTextError>(&parsed)) {
    return Status::Failure(error->reason + std::string(kNothingWritten));
  }
  StatusCode result = 0;
  if (Status written = exchange.Write(node, std::get<Variant>(parsed), result); !written.ok()) {
    return written;
  }
  if (IsBad(result)) {
    Status failed = BadResult(address, "writing", result);
    if ((result & kStatusCodeMask) == status::kBadTypeMismatch) {
      failed = failed.WithSuffix(" (the node's DataType is " + DataTypeText(data_type) +
                                 "; the value was sent as " + NameOf(*type) + ")");
    }
    return failed;
  }
  exchange.Close();
  return Status::Ok();
}

}  // namespace rozovevi::ioserver::standin::opc
