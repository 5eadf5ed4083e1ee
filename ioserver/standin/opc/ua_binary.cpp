// The UA Binary encoding: little-endian integers and IEEE 754 floats, strings with an Int32
// length, NodeIds in their six encodings, Variants, DataValues and the rest.
#include "ioserver/standin/opc/ua_binary.h"

#include <cstring>

namespace rozovevi::ioserver::standin::opc {
namespace {

// The first byte of an encoded NodeId.
enum NodeIdEncoding : std::uint8_t {
  kTwoByte = 0x00,
  kFourByte = 0x01,
  kNumeric = 0x02,
  kString = 0x03,
  kGuid = 0x04,
  kByteString = 0x05,
};
constexpr std::uint8_t kNamespaceUriFlag = 0x80;
constexpr std::uint8_t kServerIndexFlag = 0x40;

// The bits of a Variant's first byte.
constexpr std::uint8_t kVariantTypeMask = 0x3F;
constexpr std::uint8_t kVariantDimensionsFlag = 0x40;
constexpr std::uint8_t kVariantArrayFlag = 0x80;

// The bits of the masks of LocalizedText, DataValue and DiagnosticInfo.
constexpr std::uint8_t kLocaleFlag = 0x01;
constexpr std::uint8_t kTextFlag = 0x02;
constexpr std::uint8_t kDataValueValue = 0x01;
constexpr std::uint8_t kDataValueStatus = 0x02;
constexpr std::uint8_t kDataValueSourceTime = 0x04;
constexpr std::uint8_t kDataValueServerTime = 0x08;
constexpr std::uint8_t kDataValueSourcePico = 0x10;
constexpr std::uint8_t kDataValueServerPico = 0x20;
constexpr std::uint8_t kDiagnosticInt32Fields = 0x0F;  // Symbolic id, namespace, text, locale.
constexpr std::uint8_t kDiagnosticAdditionalInfo = 0x10;
constexpr std::uint8_t kDiagnosticInnerStatus = 0x20;
constexpr std::uint8_t kDiagnosticInner = 0x40;

// ExtensionObject bodies.
constexpr std::uint8_t kNoBody = 0x00;
constexpr std::uint8_t kBinaryBody = 0x01;
constexpr std::uint8_t kXmlBody = 0x02;

// Values nest (a Variant in a DataValue in a Variant, DiagnosticInfo in DiagnosticInfo): a
// server's reply may not nest deeper than this.
constexpr int kDeepestNesting = 16;

constexpr const char* kTypeNames[] = {
    "Null",          "Boolean",       "SByte",           "Byte",           "Int16",
    "UInt16",        "Int32",         "UInt32",          "Int64",          "UInt64",
    "Float",         "Double",        "String",          "DateTime",       "Guid",
    "ByteString",    "XmlElement",    "NodeId",          "ExpandedNodeId", "StatusCode",
    "QualifiedName", "LocalizedText", "ExtensionObject", "DataValue",      "Variant",
    "DiagnosticInfo"};

// The fewest bytes a value of each type takes, for checking an array's length.
std::size_t SmallestEncoding(BuiltinType type) {
  switch (type) {
    case BuiltinType::kInt16:
    case BuiltinType::kUInt16:
    case BuiltinType::kNodeId:
      return 2;
    case BuiltinType::kInt32:
    case BuiltinType::kUInt32:
    case BuiltinType::kFloat:
    case BuiltinType::kString:
    case BuiltinType::kByteString:
    case BuiltinType::kXmlElement:
    case BuiltinType::kStatusCode:
      return 4;
    case BuiltinType::kInt64:
    case BuiltinType::kUInt64:
    case BuiltinType::kDouble:
    case BuiltinType::kDateTime:
      return 8;
    case BuiltinType::kGuid:
      return 16;
    case BuiltinType::kQualifiedName:
      return 6;
    case BuiltinType::kExtensionObject:
      return 3;
    default:
      return 1;
  }
}

// Counts one level of nesting for as long as it lives.
class Nesting {
 public:
  explicit Nesting(int& depth) : depth_(depth) { ++depth_; }
  Nesting(const Nesting&) = delete;
  Nesting& operator=(const Nesting&) = delete;
  ~Nesting() { --depth_; }
  bool TooDeep() const { return depth_ > kDeepestNesting; }

 private:
  int& depth_;
};

}  // namespace

std::string NameOf(BuiltinType type) {
  const auto number = static_cast<std::uint8_t>(type);
  if (number <= kLastBuiltinType) return kTypeNames[number];
  return "type " + std::to_string(number);
}

// ----- Encoder

void Encoder::Fixed(std::uint64_t value, int width) {
  for (int i = 0; i < width; ++i) Byte(static_cast<std::uint8_t>(value >> (8 * i)));
}

void Encoder::Double(double value) {
  std::uint64_t bits = 0;
  std::memcpy(&bits, &value, sizeof bits);
  UInt64(bits);
}

void Encoder::NullableString(const UaString& value) {
  if (value) {
    String(*value);
  } else {
    NullString();
  }
}

void Encoder::String(std::string_view value) {
  Int32(static_cast<std::int32_t>(value.size()));
  bytes_.append(value);
}

void Encoder::Guid(const opc::Guid& value) {
  UInt32(value.data1);
  UInt16(value.data2);
  UInt16(value.data3);
  for (std::uint8_t byte : value.data4) Byte(byte);
}

void Encoder::NodeId(const opc::NodeId& node) {
  switch (node.id_type) {
    case IdType::kNumeric:
      if (node.namespace_index == 0 && node.numeric <= 0xFF) {
        Byte(kTwoByte);
        Byte(static_cast<std::uint8_t>(node.numeric));
      } else if (node.namespace_index <= 0xFF && node.numeric <= 0xFFFF) {
        Byte(kFourByte);
        Byte(static_cast<std::uint8_t>(node.namespace_index));
        UInt16(static_cast<std::uint16_t>(node.numeric));
      } else {
        Byte(kNumeric);
        UInt16(node.namespace_index);
        UInt32(node.numeric);
      }
      return;
    case IdType::kString:
      Byte(kString);
      UInt16(node.namespace_index);
      String(node.text);
      return;
    case IdType::kGuid:
      Byte(kGuid);
      UInt16(node.namespace_index);
      Guid(node.guid);
      return;
    case IdType::kOpaque:
      Byte(kByteString);
      UInt16(node.namespace_index);
      String(node.text);
      return;
  }
}

void Encoder::NullExtensionObject() {
  NodeId(opc::NodeId());
  Byte(kNoBody);
}

void Encoder::ExtensionObject(const opc::NodeId& type, std::string_view body) {
  NodeId(type);
  Byte(kBinaryBody);
  String(body);
}

void Encoder::LocalizedText(const UaString& text) {
  Byte(text ? kTextFlag : 0);
  if (text) String(*text);
}

void Encoder::Variant(const opc::Variant& value) {
  Byte(static_cast<std::uint8_t>(value.type));
  switch (value.type) {
    case BuiltinType::kNull:
      return;
    case BuiltinType::kBoolean:
    case BuiltinType::kSByte:
    case BuiltinType::kByte:
      Fixed(value.bits, 1);
      return;
    case BuiltinType::kInt16:
    case BuiltinType::kUInt16:
      Fixed(value.bits, 2);
      return;
    case BuiltinType::kInt32:
    case BuiltinType::kUInt32:
    case BuiltinType::kFloat:
    case BuiltinType::kStatusCode:
      Fixed(value.bits, 4);
      return;
    case BuiltinType::kInt64:
    case BuiltinType::kUInt64:
    case BuiltinType::kDouble:
    case BuiltinType::kDateTime:
      Fixed(value.bits, 8);
      return;
    case BuiltinType::kString:
    case BuiltinType::kByteString:
    case BuiltinType::kXmlElement:
      NullableString(value.text);
      return;
    case BuiltinType::kGuid:
      Guid(value.guid);
      return;
    case BuiltinType::kNodeId:
      NodeId(value.node.node);
      return;
    case BuiltinType::kExpandedNodeId: {
      const std::size_t first = bytes_.size();
      NodeId(value.node.node);
      if (value.node.namespace_uri) {
        bytes_[first] = static_cast<char>(bytes_[first] | kNamespaceUriFlag);
        String(*value.node.namespace_uri);
      }
      if (value.node.server_index != 0) {
        bytes_[first] = static_cast<char>(bytes_[first] | kServerIndexFlag);
        UInt32(value.node.server_index);
      }
      return;
    }
    case BuiltinType::kQualifiedName:
      UInt16(value.name_index);
      NullableString(value.text);
      return;
    case BuiltinType::kLocalizedText:
      LocalizedText(value.text);
      return;
    default:
      // Structures and the nested types are never written: the value stays null.
      bytes_.back() = static_cast<char>(BuiltinType::kNull);
      return;
  }
}

void Encoder::PatchUInt32(std::size_t offset, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) {
    bytes_[offset + static_cast<std::size_t>(i)] = static_cast<char>(value >> (8 * i));
  }
}

// ----- Decoder

void Decoder::Fail(std::string reason) {
  if (error_.empty()) error_ = std::move(reason) + " at byte " + std::to_string(position_);
}

bool Decoder::Need(std::size_t count) {
  if (!ok()) return false;
  if (count > remaining()) {
    Fail("the message ends early (" + std::to_string(count) + " more bytes expected)");
    return false;
  }
  return true;
}

void Decoder::Skip(std::size_t count) {
  if (Need(count)) position_ += count;
}

std::uint8_t Decoder::Byte() { return static_cast<std::uint8_t>(Fixed(1)); }

std::uint64_t Decoder::Fixed(int width) {
  if (!Need(static_cast<std::size_t>(width))) return 0;
  std::uint64_t value = 0;
  for (int i = 0; i < width; ++i) {
    value |= std::uint64_t{static_cast<std::uint8_t>(bytes_[position_ + i])} << (8 * i);
  }
  position_ += static_cast<std::size_t>(width);
  return value;
}

double Decoder::Double() {
  const std::uint64_t bits = UInt64();
  double value = 0;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

UaString Decoder::String() {
  const std::int32_t length = Int32();
  if (!ok()) return std::nullopt;
  if (length == -1) return std::nullopt;
  if (length < 0) {
    Fail("a string of length " + std::to_string(length));
    return std::nullopt;
  }
  if (!Need(static_cast<std::size_t>(length))) return std::nullopt;
  std::string value(bytes_.substr(position_, static_cast<std::size_t>(length)));
  position_ += static_cast<std::size_t>(length);
  return value;
}

opc::Guid Decoder::Guid() {
  opc::Guid value;
  value.data1 = UInt32();
  value.data2 = UInt16();
  value.data3 = UInt16();
  for (std::uint8_t& byte : value.data4) byte = Byte();
  return value;
}

opc::NodeId Decoder::NodeId() { return ExpandedNodeId().node; }

opc::ExpandedNodeId Decoder::ExpandedNodeId() {
  opc::ExpandedNodeId expanded;
  opc::NodeId& node = expanded.node;
  const std::uint8_t first = Byte();
  switch (first & 0x3F) {
    case kTwoByte:
      node.numeric = Byte();
      break;
    case kFourByte:
      node.namespace_index = Byte();
      node.numeric = UInt16();
      break;
    case kNumeric:
      node.namespace_index = UInt16();
      node.numeric = UInt32();
      break;
    case kString:
    case kByteString: {
      node.namespace_index = UInt16();
      node.id_type = (first & 0x3F) == kString ? IdType::kString : IdType::kOpaque;
      node.text = String().value_or(std::string());
      break;
    }
    case kGuid:
      node.namespace_index = UInt16();
      node.id_type = IdType::kGuid;
      node.guid = Guid();
      break;
    default:
      Fail("a NodeId of unknown encoding " + std::to_string(first));
      return expanded;
  }
  if (first & kNamespaceUriFlag) expanded.namespace_uri = String().value_or(std::string());
  if (first & kServerIndexFlag) expanded.server_index = UInt32();
  return expanded;
}

UaString Decoder::LocalizedText() {
  const std::uint8_t mask = Byte();
  if (mask & kLocaleFlag) String();
  if (mask & kTextFlag) return String();
  return std::nullopt;
}

opc::NodeId Decoder::ExtensionObject(std::string* body) {
  opc::NodeId type = NodeId();
  const std::uint8_t encoding = Byte();
  if (encoding == kBinaryBody || encoding == kXmlBody) {
    UaString content = String();
    if (body != nullptr) *body = content.value_or(std::string());
  } else if (encoding != kNoBody && ok()) {
    Fail("an ExtensionObject of unknown encoding " + std::to_string(encoding));
  }
  return type;
}

std::uint32_t Decoder::ArrayLength(std::size_t smallest_element) {
  return CheckLength(Int32(), smallest_element);
}

std::uint32_t Decoder::CheckLength(std::int32_t length, std::size_t smallest_element) {
  if (!ok() || length == -1) return 0;
  if (length < 0 || static_cast<std::size_t>(length) > remaining() / smallest_element) {
    Fail("an array of " + std::to_string(length) + " elements in " + std::to_string(remaining()) +
         " bytes");
    return 0;
  }
  return static_cast<std::uint32_t>(length);
}

void Decoder::SkipStringArray() {
  const std::uint32_t count = ArrayLength(4);
  for (std::uint32_t i = 0; i < count && ok(); ++i) String();
}

void Decoder::SkipDiagnosticInfo() {
  Nesting nesting(depth_);
  if (nesting.TooDeep()) {
    Fail("values nested too deep");
    return;
  }
  const std::uint8_t mask = Byte();
  for (std::uint8_t bit = 1; bit <= 0x08; bit <<= 1) {
    if (mask & bit & kDiagnosticInt32Fields) Int32();
  }
  if (mask & kDiagnosticAdditionalInfo) String();
  if (mask & kDiagnosticInnerStatus) UInt32();
  if (mask & kDiagnosticInner) SkipDiagnosticInfo();
}

void Decoder::SkipDiagnosticInfoArray() {
  const std::uint32_t count = ArrayLength(1);
  for (std::uint32_t i = 0; i < count && ok(); ++i) SkipDiagnosticInfo();
}

void Decoder::Scalar(BuiltinType type, opc::Variant& into, bool keep) {
  switch (type) {
    case BuiltinType::kNull:
      return;
    case BuiltinType::kBoolean:
    case BuiltinType::kSByte:
    case BuiltinType::kByte:
      into.bits = Fixed(1);
      return;
    case BuiltinType::kInt16:
    case BuiltinType::kUInt16:
      into.bits = Fixed(2);
      return;
    case BuiltinType::kInt32:
    case BuiltinType::kUInt32:
    case BuiltinType::kFloat:
    case BuiltinType::kStatusCode:
      into.bits = Fixed(4);
      return;
    case BuiltinType::kInt64:
    case BuiltinType::kUInt64:
    case BuiltinType::kDouble:
    case BuiltinType::kDateTime:
      into.bits = Fixed(8);
      return;
    case BuiltinType::kString:
    case BuiltinType::kByteString:
    case BuiltinType::kXmlElement: {
      UaString text = String();
      if (keep) into.text = std::move(text);
      return;
    }
    case BuiltinType::kGuid:
      into.guid = Guid();
      return;
    case BuiltinType::kNodeId:
      into.node = opc::ExpandedNodeId{NodeId(), std::nullopt, 0};
      return;
    case BuiltinType::kExpandedNodeId:
      into.node = ExpandedNodeId();
      return;
    case BuiltinType::kQualifiedName:
      into.name_index = UInt16();
      into.text = String();
      return;
    case BuiltinType::kLocalizedText:
      into.text = LocalizedText();
      return;
    case BuiltinType::kExtensionObject:
      into.extension_type = ExtensionObject();
      return;
    case BuiltinType::kDataValue:
      SkipDataValue();
      return;
    case BuiltinType::kVariant: {
      Nesting nesting(depth_);
      if (nesting.TooDeep()) {
        Fail("values nested too deep");
        return;
      }
      Variant();
      return;
    }
    case BuiltinType::kDiagnosticInfo:
      SkipDiagnosticInfo();
      return;
  }
  Fail("a Variant of unknown type " + std::to_string(static_cast<int>(type)));
}

opc::Variant Decoder::Variant() {
  opc::Variant value;
  const std::uint8_t first = Byte();
  if (!ok()) return value;
  const std::uint8_t type = first & kVariantTypeMask;
  if (type > kLastBuiltinType) {
    Fail("a Variant of unknown type " + std::to_string(type));
    return value;
  }
  value.type = static_cast<BuiltinType>(type);
  if (!(first & kVariantArrayFlag)) {
    Scalar(value.type, value, true);
    return value;
  }
  value.is_array = true;
  const std::int32_t declared = Int32();
  if (!ok()) return value;
  value.array_length =
      declared == -1
          ? -1
          : static_cast<std::int32_t>(CheckLength(declared, SmallestEncoding(value.type)));
  const bool keep_strings = value.type == BuiltinType::kString;
  for (std::int32_t i = 0; i < value.array_length && ok(); ++i) {
    opc::Variant element;
    Scalar(value.type, element, keep_strings);
    if (keep_strings) value.strings.push_back(std::move(element.text));
  }
  if (first & kVariantDimensionsFlag) {
    const std::uint32_t count = ArrayLength(4);
    for (std::uint32_t i = 0; i < count && ok(); ++i) value.dimensions.push_back(Int32());
  }
  return value;
}

opc::DataValue Decoder::DataValue() {
  Nesting nesting(depth_);
  opc::DataValue result;
  if (nesting.TooDeep()) {
    Fail("values nested too deep");
    return result;
  }
  const std::uint8_t mask = Byte();
  if (mask & kDataValueValue) {
    result.has_value = true;
    result.value = Variant();
  }
  if (mask & kDataValueStatus) result.status = UInt32();
  if (mask & kDataValueSourceTime) Int64();
  if (mask & kDataValueSourcePico) UInt16();
  if (mask & kDataValueServerTime) Int64();
  if (mask & kDataValueServerPico) UInt16();
  return result;
}

void Decoder::SkipDataValue() { DataValue(); }

}  // namespace rozovevi::ioserver::standin::opc
