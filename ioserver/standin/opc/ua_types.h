// The OPC UA built-in types this client sends and reads, as plain values.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace rozovevi::ioserver::standin::opc {

// The built-in types by their numbers in the UA Binary encoding (and their DataType node ids).
enum class BuiltinType : std::uint8_t {
  kNull = 0,
  kBoolean = 1,
  kSByte = 2,
  kByte = 3,
  kInt16 = 4,
  kUInt16 = 5,
  kInt32 = 6,
  kUInt32 = 7,
  kInt64 = 8,
  kUInt64 = 9,
  kFloat = 10,
  kDouble = 11,
  kString = 12,
  kDateTime = 13,
  kGuid = 14,
  kByteString = 15,
  kXmlElement = 16,
  kNodeId = 17,
  kExpandedNodeId = 18,
  kStatusCode = 19,
  kQualifiedName = 20,
  kLocalizedText = 21,
  kExtensionObject = 22,
  kDataValue = 23,
  kVariant = 24,
  kDiagnosticInfo = 25,
};
inline constexpr std::uint8_t kLastBuiltinType = 25;

// "Double", "LocalizedText"; "type 40" for a number past the built-in ones.
std::string NameOf(BuiltinType type);

// The fields as they travel: Data1 to Data3 little-endian, Data4 as bytes.
struct Guid {
  std::uint32_t data1 = 0;
  std::uint16_t data2 = 0;
  std::uint16_t data3 = 0;
  std::array<std::uint8_t, 8> data4{};
  bool operator==(const Guid& other) const {
    return data1 == other.data1 && data2 == other.data2 && data3 == other.data3 &&
           data4 == other.data4;
  }
};

enum class IdType : std::uint8_t { kNumeric, kString, kGuid, kOpaque };

struct NodeId {
  std::uint16_t namespace_index = 0;
  IdType id_type = IdType::kNumeric;
  std::uint32_t numeric = 0;
  std::string text;  // The String identifier (UTF-8) or the ByteString's bytes.
  Guid guid;

  static NodeId Numeric(std::uint32_t id, std::uint16_t ns = 0) {
    NodeId node;
    node.namespace_index = ns;
    node.numeric = id;
    return node;
  }
  bool IsNull() const {
    return namespace_index == 0 && id_type == IdType::kNumeric && numeric == 0;
  }
  bool operator==(const NodeId& other) const {
    return namespace_index == other.namespace_index && id_type == other.id_type &&
           numeric == other.numeric && text == other.text && guid == other.guid;
  }
};

struct ExpandedNodeId {
  NodeId node;
  std::optional<std::string> namespace_uri;
  std::uint32_t server_index = 0;
};

// A UA String or ByteString: absent (null) is not the same as empty on the wire.
using UaString = std::optional<std::string>;

// A Variant as far as this client needs it: the type, whether it is an array (and of how many
// elements and dimensions), and a single value's content in the member its type uses.
struct Variant {
  BuiltinType type = BuiltinType::kNull;
  bool is_array = false;
  std::int32_t array_length = 0;         // -1 for a null array.
  std::vector<std::int32_t> dimensions;  // Present for a matrix.
  // Boolean to Double, DateTime and StatusCode: the value's bits, as the wire holds them.
  std::uint64_t bits = 0;
  // String, XmlElement, ByteString: the bytes; LocalizedText: its text; QualifiedName: its name.
  UaString text;
  std::uint16_t name_index = 0;  // QualifiedName's namespace.
  Guid guid;
  ExpandedNodeId node;            // NodeId (in node.node) and ExpandedNodeId.
  NodeId extension_type;          // The type of an ExtensionObject.
  std::vector<UaString> strings;  // The elements of an array of String.
};

// The parts of a DataValue this client uses.
struct DataValue {
  bool has_value = false;
  Variant value;
  std::uint32_t status = 0;  // Good when absent.
};

}  // namespace rozovevi::ioserver::standin::opc
