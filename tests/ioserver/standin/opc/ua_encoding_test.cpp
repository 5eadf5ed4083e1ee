// The UA Binary encoding against whole known messages, byte for byte, and the decoder against
// values that must be read as their type says, and replies that break the encoding.
#include <gtest/gtest.h>

#include <cstring>

#include "ioserver/standin/opc/ua_binary.h"
#include "ioserver/standin/opc/ua_chunks.h"
#include "ioserver/standin/opc/ua_messages.h"
#include "ioserver/standin/opc/ua_value_text.h"
#include "ua_bytes.h"

namespace rozovevi::ioserver::standin::opc {
namespace {

using testing_support::Bytes;
using testing_support::Hex;

// The request header of the known messages: a fixed time, handle and timeout hint.
RequestHeader KnownHeader(NodeId token, std::int64_t timestamp, std::uint32_t handle,
                          std::uint32_t timeout_ms) {
  RequestHeader header;
  header.authentication_token = std::move(token);
  header.timestamp = timestamp;
  header.request_handle = handle;
  header.timeout_hint_ms = timeout_ms;
  return header;
}

TEST(KnownMessageTest, Hello) {
  const std::string expected = Bytes(
      "48 45 4C 46 30 00 00 00"   // "HELF", 48 bytes
      " 00 00 00 00"              // protocol version
      " 00 00 01 00 00 00 01 00"  // receive and send buffers, 64 KiB
      " 00 00 00 01"              // whole messages of at most 16 MiB
      " 00 00 00 00"              // any number of chunks
      " 10 00 00 00 \"opc.tcp://h:4840\"");
  const std::string hello = EncodeHello(kClientLimits, "opc.tcp://h:4840");
  EXPECT_EQ(hello, expected) << Hex(hello);
}

TEST(KnownMessageTest, OpenSecureChannelRequestWithTheNonePolicy) {
  const std::string expected = Bytes(
      "4F 50 4E 46 84 00 00 00"  // "OPNF", 132 bytes
      " 00 00 00 00"             // no channel yet
      " 2F 00 00 00 \"http://opcfoundation.org/UA/SecurityPolicy#None\""
      " FF FF FF FF FF FF FF FF"  // no certificate, no thumbprint
      " 01 00 00 00 01 00 00 00"  // sequence number 1, request 1
      " 01 00 BE 01"              // OpenSecureChannelRequest, four-byte NodeId 446
      " 00 00"                    // no authentication token
      " 00 00 00 00 00 00 00 00"  // timestamp
      " 01 00 00 00 00 00 00 00"  // handle 1, no diagnostics
      " FF FF FF FF"              // no audit entry id
      " 88 13 00 00"              // timeout hint 5000 ms
      " 00 00 00"                 // no additional header
      " 00 00 00 00 00 00 00 00"  // protocol version 0, issue
      " 01 00 00 00"              // security mode None
      " 00 00 00 00"              // empty client nonce
      " C0 27 09 00");            // lifetime 600000 ms
  const std::string body = EncodeOpenSecureChannelRequest(KnownHeader({}, 0, 1, 5000), 600000);
  const auto chunks = EncodeChunks(kOpen, ChunkIds{0, 0, 1, 1}, body, 8192);
  ASSERT_EQ(chunks.size(), 1U);
  EXPECT_EQ(chunks[0], expected) << Hex(chunks[0]);
}

TEST(KnownMessageTest, ReadRequestOfAStringNodeIdAndANumericOne) {
  const std::string expected = Bytes(
      "4D 53 47 46 7A 00 00 00"   // "MSGF", 122 bytes
      " 05 00 00 00 07 00 00 00"  // channel 5, token 7
      " 03 00 00 00 04 00 00 00"  // sequence number 3, request 4
      " 01 00 77 02"              // ReadRequest, 631
      " 02 01 00 78 56 34 12"     // authentication token ns=1;i=0x12345678
      " 01 00 00 00 00 00 00 00"  // timestamp 1
      " 04 00 00 00 00 00 00 00 FF FF FF FF D0 07 00 00 00 00 00"
      " 00 00 00 00 00 00 00 00"         // max age 0
      " 03 00 00 00"                     // no timestamps
      " 02 00 00 00"                     // two nodes:
      " 03 03 00 05 00 00 00 \"Motor\""  // ns=3;s=Motor
      " 0D 00 00 00 FF FF FF FF 00 00 FF FF FF FF"
      " 01 02 E9 03"  // ns=2;i=1001, four-byte
      " 0D 00 00 00 FF FF FF FF 00 00 FF FF FF FF");
  NodeId motor;
  motor.namespace_index = 3;
  motor.id_type = IdType::kString;
  motor.text = "Motor";
  const std::string body = EncodeReadRequest(
      KnownHeader(NodeId::Numeric(0x12345678, 1), 1, 4, 2000),
      {{motor, AttributeId::kValue}, {NodeId::Numeric(1001, 2), AttributeId::kValue}});
  const auto chunks = EncodeChunks(kMessage, ChunkIds{5, 7, 3, 4}, body, 65536);
  ASSERT_EQ(chunks.size(), 1U);
  EXPECT_EQ(chunks[0], expected) << Hex(chunks[0]);
}

TEST(KnownMessageTest, NodeIdsTakeTheirShortestEncoding) {
  NodeId guid;
  guid.namespace_index = 1;
  guid.id_type = IdType::kGuid;
  guid.guid = Guid{0x09087E75, 0x8E5E, 0x499B, {0x95, 0x4F, 0xF2, 0xA9, 0x60, 0x3D, 0xB2, 0x8A}};
  NodeId opaque;
  opaque.id_type = IdType::kOpaque;
  opaque.text = "ab";
  const struct {
    NodeId node;
    const char* bytes;
  } cases[] = {
      {NodeId::Numeric(255), "00 FF"},
      {NodeId::Numeric(256), "01 00 00 01"},
      {NodeId::Numeric(65535, 255), "01 FF FF FF"},
      {NodeId::Numeric(65536), "02 00 00 00 00 01 00"},
      {NodeId::Numeric(1, 256), "02 00 01 01 00 00 00"},
      {guid, "04 01 00 75 7E 08 09 5E 8E 9B 49 95 4F F2 A9 60 3D B2 8A"},
      {opaque, "05 00 00 02 00 00 00 \"ab\""},
  };
  for (const auto& c : cases) {
    Encoder encoder;
    encoder.NodeId(c.node);
    EXPECT_EQ(encoder.bytes(), Bytes(c.bytes)) << c.bytes;
    Decoder decoder(encoder.bytes());
    EXPECT_TRUE(decoder.NodeId() == c.node) << c.bytes;
    EXPECT_TRUE(decoder.ok() && decoder.remaining() == 0) << c.bytes;
  }
}

TEST(KnownMessageTest, WriteRequestCarriesTheValueInItsType) {
  Variant value;
  value.type = BuiltinType::kFloat;
  value.bits = 0x3DCCCCCD;  // 0.1f
  const std::string body =
      EncodeWriteRequest(KnownHeader({}, 0, 9, 0), NodeId::Numeric(7, 2), value);
  const std::string tail = Bytes(
      "01 00 00 00"   // one node
      " 01 02 07 00"  // ns=2;i=7
      " 0D 00 00 00 FF FF FF FF"
      " 01"                // a DataValue with a value only
      " 0A CD CC CC 3D");  // Float 0.1
  ASSERT_GE(body.size(), tail.size());
  EXPECT_EQ(body.substr(body.size() - tail.size()), tail) << Hex(body);
}

std::string ReadValueText(std::string_view data_value) {
  Decoder decoder(data_value);
  const DataValue value = decoder.DataValue();
  if (!decoder.ok()) return "decode error: " + decoder.error();
  if (decoder.remaining() != 0) return "bytes left";
  auto text = FormatVariant(value.value);
  if (auto* error = std::get_if<ValueTextError>(&text)) return error->reason;
  return std::get<std::string>(text);
}

TEST(DecodeValueTest, EachTypeTakesItsOwnWidth) {
  const struct {
    const char* bytes;
    const char* text;
  } cases[] = {
      {"01 0A CD CC CC 3D", "0.1"},  // Float: four bytes, printed as a Float
      {"01 0B 9A 99 99 99 99 99 B9 3F", "0.1"},
      {"01 0B 00 00 00 A0 99 99 B9 3F", "0.10000000149011612"},  // 0.1f widened
      {"01 0A 00 00 C0 7F", "nan"},
      {"01 0B 00 00 00 00 00 00 F0 FF", "-inf"},
      {"01 01 01", "true"},
      {"01 02 9C", "-100"},
      {"01 03 C8", "200"},
      {"01 04 D0 8A", "-30000"},
      {"01 05 60 EA", "60000"},
      {"01 06 00 6C CA 88", "-2000000000"},
      {"01 07 00 28 6B EE", "4000000000"},
      {"01 08 00 00 7C 1D AF 93 19 83", "-9000000000000000000"},
      {"01 09 00 00 08 C5 A1 D8 CC F9", "18000000000000000000"},
      {"01 0C 07 00 00 00 \"Gr\" C3 BC C3 9F 65", "Grüße"},
      {"01 0C FF FF FF FF", ""},  // a null String
      {"01 10 03 00 00 00 \"<a/\"", "<a/"},
      {"01 15 03 02 00 00 00 \"de\" 06 00 00 00 \"Ofen 2\"", "Ofen 2"},
      {"01 14 03 00 05 00 00 00 \"Speed\"", "3:Speed"},
      {"01 14 00 00 05 00 00 00 \"Speed\"", "Speed"},
      {"01 0E 91 2B 96 72 75 FA E6 4A 8D 28 B4 04 DC 7D AF 63",
       "72962b91-fa75-4ae6-8d28-b404dc7daf63"},
      {"01 0F 04 00 00 00 00 01 02 FF", "AAEC/w=="},
      {"01 11 03 03 00 09 00 00 00 \"Oven.Temp\"", "ns=3;s=Oven.Temp"},
      {"01 12 81 03 2A 00 11 00 00 00 \"urn:rozovevi:test\"", "nsu=urn:rozovevi:test;i=42"},
      {"01 13 00 00 3C 80", "BadOutOfRange"},
      {"00", ""},     // no value at all
      {"01 00", ""},  // an empty Variant
      // A status and both timestamps with their picoseconds around the value.
      {"3F 06 07 00 00 00 00 00 00 40 01 00 00 00 00 00 00 00 02 00 03 00 00 00 00 00 00 00 04 00",
       "7"},
  };
  for (const auto& c : cases) EXPECT_EQ(ReadValueText(Bytes(c.bytes)), c.text) << c.bytes;
}

TEST(DecodeValueTest, ArraysMatricesAndStructuresSayWhatTheNodeHolds) {
  std::string doubles = "01 8B 0C 00 00 00";
  for (int i = 0; i < 12; ++i) doubles += " 00 00 00 00 00 00 F0 3F";
  const struct {
    std::string bytes;
    const char* holds;
  } cases[] = {
      {doubles, "an array of 12 Double"},
      {"01 C6 06 00 00 00 01 00 00 00 02 00 00 00 03 00 00 00 04 00 00 00 05 00 00 00 06 00 00 00"
       " 02 00 00 00 02 00 00 00 03 00 00 00",
       "a matrix of 2x3 Int32"},
      {"01 8C FF FF FF FF", "a null array of String"},
      {"01 16 01 00 B0 03 01 10 00 00 00  00 00 00 00 00 00 00 00 00 00 00 00 00 00 59 40",
       "a structure (ExtensionObject of type i=944)"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ReadValueText(Bytes(c.bytes)), std::string("the node holds ") + c.holds +
                                                 "; only single values can be read or written")
        << c.bytes;
  }
}

TEST(DecodeValueTest, BrokenEncodingsFailWithoutReadingPastTheEnd) {
  const char* cases[] = {
      "01 8B FF FF FF 7F",                          // 2^31 Doubles announced in no bytes
      "01 8B FE FF FF FF",                          // a negative length
      "01 0C 05 00 00 00 \"abc\"",                  // a string longer than what is left
      "01 0C FE FF FF FF",                          // a negative string length
      "01 3F",                                      // type 63
      "01 11 06 00",                                // NodeId encoding 6
      "01 16 00 00 07",                             // ExtensionObject body encoding 7
      "01 0B 00 00 00 00",                          // a Double cut short
      "01 8B 02 00 00 00 00 00 00 00 00 00 F0 3F",  // a Double array cut short
  };
  for (const char* c : cases) {
    const std::string bytes = Bytes(c);
    Decoder decoder(bytes);
    decoder.DataValue();
    EXPECT_FALSE(decoder.ok()) << c;
    EXPECT_LE(decoder.position(), bytes.size()) << c;
  }
}

TEST(DecodeValueTest, NestingIsBounded) {
  // A Variant array of one Variant, of one Variant... far deeper than any real value.
  std::string bytes = "\x01";
  for (int i = 0; i < 100000; ++i) bytes += Bytes("98 01 00 00 00");
  Decoder decoder(bytes);
  decoder.DataValue();
  EXPECT_FALSE(decoder.ok());
  EXPECT_NE(decoder.error().find("nested too deep"), std::string::npos);
}

TEST(DecodeValueTest, EveryCutOfAReadResponseIsRefused) {
  const std::string response = Bytes(
      "01 00 7A 02"                                 // ReadResponse, 634
      " 00 00 00 00 00 00 00 00 04 00 00 00"        // timestamp, handle 4
      " 00 00 00 00 00 FF FF FF FF 00 00 00"        // Good, no diagnostics, strings, header
      " 01 00 00 00 01 0B 9A 99 99 99 99 99 B9 3F"  // one result: Double 0.1
      " FF FF FF FF");                              // no diagnostic infos
  {
    Decoder whole(response);
    const ResponseHeader header = DecodeResponseHeader(whole, encoding::kReadResponse);
    const auto results = DecodeReadResponse(whole);
    ASSERT_TRUE(whole.ok()) << whole.error();
    EXPECT_EQ(header.request_handle, 4U);
    ASSERT_EQ(results.size(), 1U);
    EXPECT_EQ(std::get<std::string>(FormatVariant(results[0].value)), "0.1");
    EXPECT_EQ(whole.remaining(), 0U);
  }
  for (std::size_t cut = 0; cut < response.size(); ++cut) {
    Decoder decoder(std::string_view(response).substr(0, cut));
    DecodeResponseHeader(decoder, encoding::kReadResponse);
    DecodeReadResponse(decoder);
    EXPECT_FALSE(decoder.ok()) << "cut at " << cut;
  }
}

TEST(DecodeResponseTest, AnErrorMessageMayCarryTheRefusedChannelsFault) {
  const auto plain = DecodeErrorMessage(Bytes("00 00 83 80 03 00 00 00 \"why\""));
  ASSERT_TRUE(std::holds_alternative<ErrorMessage>(plain));
  EXPECT_EQ(std::get<ErrorMessage>(plain).error, 0x80830000U);
  EXPECT_EQ(std::get<ErrorMessage>(plain).reason, "why");
  // An Error framed as the OpenSecureChannel reply: security and sequence headers, a fault.
  const auto framed = DecodeErrorMessage(Bytes(
      "02 00 00 00 2F 00 00 00 \"http://opcfoundation.org/UA/SecurityPolicy#None\""
      " FF FF FF FF FF FF FF FF 01 00 00 00 01 00 00 00"
      " 01 00 8D 01 00 00 00 00 00 00 00 00 01 00 00 00 00 00 55 80 00 FF FF FF FF 00 00 00"));
  ASSERT_TRUE(std::holds_alternative<ErrorMessage>(framed));
  EXPECT_EQ(std::get<ErrorMessage>(framed).error, status::kBadSecurityPolicyRejected);
  // Neither: a Good "error", or bytes after the reason.
  EXPECT_FALSE(
      std::holds_alternative<ErrorMessage>(DecodeErrorMessage(Bytes("01 00 00 00 FF FF FF FF"))));
  EXPECT_FALSE(std::holds_alternative<ErrorMessage>(
      DecodeErrorMessage(Bytes("00 00 83 80 00 00 00 00 00"))));
}

TEST(DecodeResponseTest, AnotherServiceOrAFaultIsNoReply) {
  const std::string fault =
      Bytes("01 00 8D 01 00 00 00 00 00 00 00 00 04 00 00 00 00 00 34 80 00 FF FF FF FF 00 00 00");
  Decoder decoder(fault);
  const ResponseHeader header = DecodeResponseHeader(decoder, encoding::kReadResponse);
  EXPECT_TRUE(decoder.ok());
  EXPECT_EQ(header.encoding_id, encoding::kServiceFault);
  EXPECT_EQ(header.service_result, status::kBadNodeIdUnknown);

  const std::string write = Bytes("01 00 A4 02 00 00 00 00 00 00 00 00");
  Decoder other(write);
  DecodeResponseHeader(other, encoding::kReadResponse);
  EXPECT_FALSE(other.ok());
  EXPECT_NE(other.error().find("WriteResponse where a ReadResponse belongs"), std::string::npos)
      << other.error();
}

}  // namespace
}  // namespace rozovevi::ioserver::standin::opc
