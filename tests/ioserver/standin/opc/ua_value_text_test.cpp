// Values typed by the operator, parsed for the built-in type the node decides, and the times and
// other forms that must read back as they were printed.
#include "ioserver/standin/opc/ua_value_text.h"

#include <gtest/gtest.h>

#include <limits>

#include "ioserver/standin/opc/ua_binary.h"
#include "ua_bytes.h"

namespace rozovevi::ioserver::standin::opc {
namespace {

using testing_support::Bytes;
using testing_support::Hex;

// The value as it would go out in a Write: its Variant's bytes.
std::string Encoded(BuiltinType type, std::u16string_view text) {
  auto parsed = ParseVariant(type, text);
  if (auto* error = std::get_if<ValueTextError>(&parsed)) return "refused: " + error->reason;
  Encoder encoder;
  encoder.Variant(std::get<Variant>(parsed));
  return Hex(encoder.bytes());
}

TEST(ParseValueTest, EachTypeGoesOutInItsOwnEncoding) {
  const struct {
    BuiltinType type;
    const char16_t* text;
    const char* bytes;
  } cases[] = {
      {BuiltinType::kBoolean, u" true ", "01 01"},
      {BuiltinType::kBoolean, u"OFF", "01 00"},
      {BuiltinType::kSByte, u"-128", "02 80"},
      {BuiltinType::kByte, u"0xff", "03 FF"},
      {BuiltinType::kInt16, u"-2", "04 FE FF"},
      {BuiltinType::kUInt16, u"65535", "05 FF FF"},
      {BuiltinType::kInt32, u"-2147483648", "06 00 00 00 80"},
      {BuiltinType::kUInt32, u"4294967295", "07 FF FF FF FF"},
      {BuiltinType::kInt64, u"-1", "08 FF FF FF FF FF FF FF FF"},
      {BuiltinType::kUInt64, u"18446744073709551615", "09 FF FF FF FF FF FF FF FF"},
      {BuiltinType::kFloat, u"0.1", "0A CD CC CC 3D"},  // never widened to a Double
      {BuiltinType::kDouble, u"0.1", "0B 9A 99 99 99 99 99 B9 3F"},
      {BuiltinType::kDouble, u"-inf", "0B 00 00 00 00 00 00 F0 FF"},
      {BuiltinType::kString, u"  a b ", "0C 06 00 00 00 20 20 61 20 62 20"},  // as typed
      {BuiltinType::kString, u"", "0C 00 00 00 00"},
      {BuiltinType::kString, u"\u00fc", "0C 02 00 00 00 C3 BC"},
      {BuiltinType::kXmlElement, u"<a/>", "10 04 00 00 00 3C 61 2F 3E"},
      {BuiltinType::kLocalizedText, u"Ofen", "15 02 04 00 00 00 4F 66 65 6E"},  // no locale
      {BuiltinType::kQualifiedName, u"3:Speed", "14 03 00 05 00 00 00 53 70 65 65 64"},
      {BuiltinType::kDateTime, u"1601-01-01T00:00:00.0000001Z", "0D 01 00 00 00 00 00 00 00"},
      {BuiltinType::kGuid, u"72962B91-FA75-4AE6-8D28-B404DC7DAF63",
       "0E 91 2B 96 72 75 FA E6 4A 8D 28 B4 04 DC 7D AF 63"},
      {BuiltinType::kByteString, u"AAEC/w==", "0F 04 00 00 00 00 01 02 FF"},
      {BuiltinType::kNodeId, u"ns=3;s=A", "11 03 03 00 01 00 00 00 41"},
      // A string identifier's spaces at the end are its own; a number's are not.
      {BuiltinType::kNodeId, u" ns=3;s=A \n", "11 03 03 00 03 00 00 00 41 20 0A"},
      {BuiltinType::kNodeId, u"ns=3;s=\t", "11 03 03 00 01 00 00 00 09"},
      {BuiltinType::kNodeId, u" ns=3;i=5 ", "11 01 03 05 00"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Encoded(c.type, c.text), Hex(Bytes(c.bytes))) << NameOf(c.type);
  }
}

TEST(ParseValueTest, TextThatDoesNotFitIsRefusedNeverWrapped) {
  const struct {
    BuiltinType type;
    const char16_t* text;
    const char* reason_part;
  } cases[] = {
      {BuiltinType::kSByte, u"128", "range (SByte)"},
      {BuiltinType::kSByte, u"-129", "range (SByte)"},
      {BuiltinType::kByte, u"256", "range (Byte)"},
      {BuiltinType::kByte, u"-1", "(Byte)"},
      {BuiltinType::kUInt16, u"65536", "(UInt16)"},
      {BuiltinType::kInt32, u"2147483648", "(Int32)"},
      {BuiltinType::kUInt64, u"18446744073709551616", "(UInt64)"},
      {BuiltinType::kInt16, u"1.5", "(Int16)"},
      {BuiltinType::kInt16, u"", "(Int16)"},
      {BuiltinType::kFloat, u"1e39", "(Float)"},  // a Double, but no Float
      {BuiltinType::kDouble, u"1,5", "(Double)"},
      {BuiltinType::kBoolean, u"yes", "(Boolean)"},
      {BuiltinType::kDateTime, u"2026-02-30T00:00:00Z", "(DateTime)"},
      {BuiltinType::kDateTime, u"2026-12-09T01:02:03", "(DateTime)"},
      {BuiltinType::kDateTime, u"2026-12-09T01:02:03.12345678Z", "(DateTime)"},
      {BuiltinType::kDateTime, u"2026-12-09T24:00:00Z", "(DateTime)"},
      {BuiltinType::kGuid, u"72962B91FA754AE68D28B404DC7DAF63", "(Guid)"},
      {BuiltinType::kByteString, u"AAE", "(ByteString)"},
      {BuiltinType::kNodeId, u"nsu=urn:x;i=1", "ns=<index>"},
      {BuiltinType::kExtensionObject, u"1", "cannot be written"},
  };
  for (const auto& c : cases) {
    auto parsed = ParseVariant(c.type, c.text);
    ASSERT_TRUE(std::holds_alternative<ValueTextError>(parsed)) << NameOf(c.type);
    const std::string& reason = std::get<ValueTextError>(parsed).reason;
    EXPECT_NE(reason.find(c.reason_part), std::string::npos) << reason;
  }
}

TEST(DateTimeTest, PrintsAsManyFractionDigitsAsItNeedsAndReadsBack) {
  const struct {
    const char* text;
  } cases[] = {
      {"2026-12-09T01:02:03.5Z"},       {"2026-12-09T01:02:03Z"},
      {"1601-01-01T00:00:00Z"},         {"1970-01-01T00:00:00.0000001Z"},
      {"2000-02-29T23:59:59.9999999Z"}, {"9999-12-31T23:59:59.1234567Z"},
      {"2100-03-01T12:00:00.05Z"},
  };
  for (const auto& c : cases) {
    const auto ticks = ParseDateTime(c.text);
    ASSERT_TRUE(ticks.has_value()) << c.text;
    EXPECT_EQ(FormatDateTime(*ticks), c.text);
  }
  // Fixed points: 1970 is 11644473600 s after 1601.
  EXPECT_EQ(ParseDateTime("1970-01-01T00:00:00Z"), 116444736000000000);
  EXPECT_EQ(FormatDateTime(0), "1601-01-01T00:00:00Z");
  // The ends of the range, which servers send for "no time", print without overflow.
  EXPECT_EQ(FormatDateTime(std::numeric_limits<std::int64_t>::max()),
            "30828-09-14T02:48:05.4775807Z");
  EXPECT_EQ(FormatDateTime(std::numeric_limits<std::int64_t>::min()),
            "-27627-04-19T21:11:54.5224192Z");
  // Every day of the 400-year cycle around 2000 reads back as printed.
  for (std::int64_t day = 0; day < 146097; day += 1) {
    const std::int64_t ticks = (145731 + day) * 864000000000 + day * 7;
    EXPECT_EQ(ParseDateTime(FormatDateTime(ticks)), ticks) << FormatDateTime(ticks);
    if (::testing::Test::HasFailure()) break;
  }
}

}  // namespace
}  // namespace rozovevi::ioserver::standin::opc
