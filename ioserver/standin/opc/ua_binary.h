// The UA Binary encoding of the built-in types: an encoder that appends to a byte string and a
// decoder that never reads past its input. No I/O.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "ioserver/standin/opc/ua_types.h"

namespace rozovevi::ioserver::standin::opc {

// Appends values, little-endian, to bytes().
class Encoder {
 public:
  void Byte(std::uint8_t value) { bytes_.push_back(static_cast<char>(value)); }
  void Boolean(bool value) { Byte(value ? 1 : 0); }
  void UInt16(std::uint16_t value) { Fixed(value, 2); }
  void UInt32(std::uint32_t value) { Fixed(value, 4); }
  void Int32(std::int32_t value) { Fixed(static_cast<std::uint32_t>(value), 4); }
  void UInt64(std::uint64_t value) { Fixed(value, 8); }
  void Int64(std::int64_t value) { Fixed(static_cast<std::uint64_t>(value), 8); }
  void Double(double value);
  // A String or ByteString: its length and bytes, or -1 for a null one.
  void NullableString(const UaString& value);
  void String(std::string_view value);
  void NullString() { Int32(-1); }
  void Guid(const opc::Guid& value);
  // The shortest encoding that holds node (two-byte, four-byte or the full forms).
  void NodeId(const opc::NodeId& node);
  // A null ExtensionObject: no type, no body.
  void NullExtensionObject();
  // An ExtensionObject whose body is body, already encoded.
  void ExtensionObject(const opc::NodeId& type, std::string_view body);
  void LocalizedText(const UaString& text);
  // A single value (the client writes no arrays).
  void Variant(const opc::Variant& value);
  void Raw(std::string_view bytes) { bytes_.append(bytes); }

  // Overwrites four bytes at offset with value (a size known only at the end).
  void PatchUInt32(std::size_t offset, std::uint32_t value);

  const std::string& bytes() const { return bytes_; }
  std::string Take() { return std::move(bytes_); }

 private:
  void Fixed(std::uint64_t value, int width);
  std::string bytes_;
};

// Reads values from bytes. The first fault (past the end, a length out of bounds, an unknown
// encoding, nesting too deep) is kept, every later read returns zeros, and ok() turns false:
// callers check once at the end instead of after each field.
class Decoder {
 public:
  explicit Decoder(std::string_view bytes) : bytes_(bytes) {}

  std::uint8_t Byte();
  bool Boolean() { return Byte() != 0; }
  std::uint16_t UInt16() { return static_cast<std::uint16_t>(Fixed(2)); }
  std::uint32_t UInt32() { return static_cast<std::uint32_t>(Fixed(4)); }
  std::int32_t Int32() { return static_cast<std::int32_t>(UInt32()); }
  std::uint64_t UInt64() { return Fixed(8); }
  std::int64_t Int64() { return static_cast<std::int64_t>(UInt64()); }
  double Double();
  UaString String();
  opc::Guid Guid();
  opc::NodeId NodeId();
  opc::ExpandedNodeId ExpandedNodeId();
  UaString LocalizedText();
  opc::Variant Variant();
  opc::DataValue DataValue();
  void SkipDiagnosticInfo();
  // Reads an ExtensionObject, returning its type and body (empty for no body).
  opc::NodeId ExtensionObject(std::string* body = nullptr);
  // An array's length, checked against what is left: every element takes at least
  // smallest_element bytes. A null array (-1) reads as 0.
  std::uint32_t ArrayLength(std::size_t smallest_element = 1);
  void SkipStringArray();
  void SkipDiagnosticInfoArray();
  void Skip(std::size_t count);

  // Records a fault found by the caller (a field with a value it cannot take).
  void Fail(std::string reason);

  bool ok() const { return error_.empty(); }
  // What was wrong, and where, for a reason: "a length of 4294967295 bytes at byte 12".
  const std::string& error() const { return error_; }
  std::size_t position() const { return position_; }
  std::size_t remaining() const { return bytes_.size() - position_; }
  std::string_view Rest() const { return bytes_.substr(position_); }

 private:
  std::uint64_t Fixed(int width);
  bool Need(std::size_t count);
  void Scalar(BuiltinType type, opc::Variant& into, bool keep);
  void SkipDataValue();
  std::uint32_t CheckLength(std::int32_t length, std::size_t smallest_element);

  std::string_view bytes_;
  std::size_t position_ = 0;
  int depth_ = 0;
  std::string error_;
};

}  // namespace rozovevi::ioserver::standin::opc
