// Strict UTF-8 decoding and encoding, including the eight-byte ASCII fast path's boundaries.
#include "ioserver/utf8.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "tests/support/reference_utf8.h"

namespace rozovevi::ioserver {
namespace {

using rozovevi::testing::ReferenceEncode;

struct DecodeCase {
  const char* name;
  std::string bytes;
  std::optional<std::u16string> expected;  // Nothing: the bytes must be refused.
};

// Names the case in test output instead of dumping its bytes.
void PrintTo(const DecodeCase& c, std::ostream* os) { *os << c.name; }

class DecodeUtf8Test : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(DecodeUtf8Test, DecodesValidAndRefusesInvalid) {
  EXPECT_EQ(DecodeUtf8(GetParam().bytes), GetParam().expected);
}

using namespace std::string_literals;

INSTANTIATE_TEST_SUITE_P(
    Cases, DecodeUtf8Test,
    ::testing::Values(DecodeCase{"Empty", "", u""}, DecodeCase{"Ascii7", "abcdefg", u"abcdefg"},
                      DecodeCase{"Ascii8", "abcdefgh", u"abcdefgh"},
                      DecodeCase{"Ascii9", "abcdefghi", u"abcdefghi"},
                      DecodeCase{"Ascii17", "abcdefghijklmnopq", u"abcdefghijklmnopq"},
                      DecodeCase{"EmbeddedNul", "a\0b"s, u"a\0b"s},
                      DecodeCase{"TwoByteAcrossFirstBlock", "abcdefg\xC3\xA9", u"abcdefg\u00E9"},
                      DecodeCase{"TwoByteAfterFirstBlock", "abcdefgh\xC3\xA9xyz",
                                 u"abcdefgh\u00E9xyz"},
                      DecodeCase{"AsciiBlockAfterMultiByte",
                                 "\xE2\x82\xAC"
                                 "abcdefgh\xC3\xA9",
                                 u"\u20ACabcdefgh\u00E9"},
                      DecodeCase{"LowestTwoByte", "\xC2\x80", u"\u0080"},
                      DecodeCase{"HighestTwoByte", "\xDF\xBF", u"\u07FF"},
                      DecodeCase{"LowestThreeByte", "\xE0\xA0\x80", u"\u0800"},
                      DecodeCase{"BelowSurrogates", "\xED\x9F\xBF", u"\uD7FF"},
                      DecodeCase{"AboveSurrogates", "\xEE\x80\x80", u"\uE000"},
                      DecodeCase{"ByteOrderMarkIsKept", "\xEF\xBB\xBF", u"\uFEFF"},
                      DecodeCase{"HighestThreeByte", "\xEF\xBF\xBF", u"\uFFFF"},
                      DecodeCase{"LowestFourByte", "\xF0\x90\x80\x80", u"\U00010000"},
                      DecodeCase{"Emoji", "ok \xF0\x9F\x98\x80", u"ok \U0001F600"},
                      DecodeCase{"HighestFourByte", "\xF4\x8F\xBF\xBF", u"\U0010FFFF"},
                      DecodeCase{"OverlongNul", "\xC0\x80", std::nullopt},
                      DecodeCase{"OverlongTwoByte", "\xC1\xBF", std::nullopt},
                      DecodeCase{"OverlongThreeByte", "\xE0\x9F\xBF", std::nullopt},
                      DecodeCase{"OverlongFourByte", "\xF0\x8F\xBF\xBF", std::nullopt},
                      DecodeCase{"HighSurrogate", "\xED\xA0\x80", std::nullopt},
                      DecodeCase{"LowSurrogate", "\xED\xBF\xBF", std::nullopt},
                      DecodeCase{"EncodedSurrogatePair", "\xED\xA0\xBD\xED\xB8\x80", std::nullopt},
                      DecodeCase{"PastU10FFFF", "\xF4\x90\x80\x80", std::nullopt},
                      DecodeCase{"LeadF5", "\xF5\x80\x80\x80", std::nullopt},
                      DecodeCase{"LeadFF", "\xFF", std::nullopt},
                      DecodeCase{"LoneContinuation", "\x80", std::nullopt},
                      DecodeCase{"TruncatedTwoByte", "\xC3", std::nullopt},
                      DecodeCase{"TruncatedThreeByte", "\xE2\x82", std::nullopt},
                      DecodeCase{"TruncatedFourByte", "\xF0\x9F\x98", std::nullopt},
                      DecodeCase{"TruncatedBeforeAscii", "\xE2\x82z", std::nullopt},
                      DecodeCase{"InvalidRightAfterBlock", "abcdefgh\x80", std::nullopt},
                      DecodeCase{"InvalidInSecondBlock", "abcdefghijklmno\xFF", std::nullopt},
                      DecodeCase{"Latin1", "caf\xE9", std::nullopt}),
    [](const ::testing::TestParamInfo<DecodeCase>& info) { return info.param.name; });

struct EncodeCase {
  const char* name;
  std::u16string text;
  std::optional<std::string> expected;  // Nothing: the text must be refused.
  std::string lossy;
};

// Names the case in test output instead of dumping its bytes.
void PrintTo(const EncodeCase& c, std::ostream* os) { *os << c.name; }

class EncodeUtf8Test : public ::testing::TestWithParam<EncodeCase> {};

TEST_P(EncodeUtf8Test, EncodesStrictlyOrReplacesForDiagnostics) {
  EXPECT_EQ(EncodeUtf8(GetParam().text), GetParam().expected);
  EXPECT_EQ(EncodeUtf8Lossy(GetParam().text), GetParam().lossy);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EncodeUtf8Test,
    ::testing::Values(
        EncodeCase{"Empty", u"", "", ""}, EncodeCase{"Ascii", u"abc", "abc", "abc"},
        EncodeCase{"ThreeSizes", u"\u00E9\u20AC\U0001F600", "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80",
                   "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"},
        EncodeCase{"HighestCodePoint", u"\U0010FFFF", "\xF4\x8F\xBF\xBF", "\xF4\x8F\xBF\xBF"},
        EncodeCase{"HighAtEnd", u"a\xD800", std::nullopt, "a\xEF\xBF\xBD"},
        EncodeCase{"HighBeforeAscii", u"\xD800z", std::nullopt, "\xEF\xBF\xBDz"},
        EncodeCase{"LoneLow", u"\xDC00", std::nullopt, "\xEF\xBF\xBD"},
        EncodeCase{"PairReversed", u"\xDC00\xD800", std::nullopt, "\xEF\xBF\xBD\xEF\xBF\xBD"},
        // The ASCII fast path looks at four units at a time: cases around its block edges.
        EncodeCase{"Ascii4", u"abcd", "abcd", "abcd"},
        EncodeCase{"Ascii5", u"abcde", "abcde", "abcde"},
        EncodeCase{"TwoByteInFirstBlock", u"ab\u00E9defgh",
                   "ab\xC3\xA9"
                   "defgh",
                   "ab\xC3\xA9"
                   "defgh"},
        EncodeCase{"TwoByteRightAfterBlock", u"abcd\u00E9", "abcd\xC3\xA9", "abcd\xC3\xA9"},
        EncodeCase{"Unit0x80AfterBlock", u"abcd\u0080e",
                   "abcd\xC2\x80"
                   "e",
                   "abcd\xC2\x80"
                   "e"},
        EncodeCase{"PairAfterBlock", u"abcdefgh\U0001F600i", "abcdefgh\xF0\x9F\x98\x80i",
                   "abcdefgh\xF0\x9F\x98\x80i"},
        EncodeCase{"LoneHighAfterBlock", u"abcdefgh\xD800i", std::nullopt,
                   "abcdefgh\xEF\xBF\xBDi"}),
    [](const ::testing::TestParamInfo<EncodeCase>& info) { return info.param.name; });

TEST(Utf8Test, EveryScalarValueRoundTrips) {
  std::u16string all;
  for (char32_t cp = 0; cp <= 0x10FFFF; ++cp) {
    if (cp >= 0xD800 && cp <= 0xDFFF) continue;
    if (cp < 0x10000) {
      all.push_back(static_cast<char16_t>(cp));
    } else {
      all.push_back(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
      all.push_back(static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
    }
  }
  const std::optional<std::string> encoded = EncodeUtf8(all);
  ASSERT_TRUE(encoded.has_value());
  EXPECT_EQ(DecodeUtf8(*encoded), all);
}

TEST(Utf8Test, EncodesLongAsciiRunsWithNonAsciiAtEveryOffsetOfTheirEnd) {
  // Long runs of ASCII ending at each offset within a four-unit block.
  for (std::size_t length : {3u, 4u, 5u, 15u, 16u, 17u, 31u, 32u, 33u, 34u, 35u, 4099u}) {
    std::u16string text(length, u'x');
    text += u"\u20AC";
    std::string expected(length, 'x');
    expected += "\xE2\x82\xAC";
    EXPECT_EQ(EncodeUtf8(text), expected) << "length " << length;
  }
}

TEST(Utf8Test, EncodesEveryKindOfUnitAtEveryOffsetOfTheBulkSteps) {
  for (const std::u16string inserted :
       {u"\u00E9", u"\u0100", u"\u20AC", u"\U0001F600", u"\xD800", u"\xDC00", u"\u007F\u0080"}) {
    for (std::size_t offset = 0; offset <= 40; ++offset) {
      std::u16string text(48, u'x');
      text.insert(offset, inserted);
      EXPECT_EQ(EncodeUtf8(text), ReferenceEncode(text, false)) << "offset " << offset;
      EXPECT_EQ(EncodeUtf8Lossy(text), *ReferenceEncode(text, true)) << "offset " << offset;
    }
  }
}

TEST(Utf8Test, DecodesAndRefusesAtEveryOffsetOfTheBulkSteps) {
  for (const std::u16string inserted :
       {u"\u00E9", u"\u00E9\u00E8", u"\u20AC", u"\u20AC\u4E2D", u"\U0001F600", u"\u007F\u0080"}) {
    for (std::size_t offset = 0; offset <= 40; ++offset) {
      std::u16string text(48, u'x');
      text.insert(offset, inserted);
      EXPECT_EQ(DecodeUtf8(*ReferenceEncode(text, false)), text) << "offset " << offset;
    }
  }
  for (const std::string invalid : {"\x80", "\xC3", "\xE2\x82", "\xED\xA0\x80", "\xC0\xAF",
                                    "\xF4\x90\x80\x80", "\xF0\x9F\x98"}) {
    for (std::size_t offset = 0; offset <= 40; ++offset) {
      std::string bytes(48, 'x');
      bytes.insert(offset, invalid);
      EXPECT_EQ(DecodeUtf8(bytes), std::nullopt) << "offset " << offset;
    }
  }
}

// The conversions look at whole text for ASCII (in steps of 64 bytes or 32 units) and then work
// through slices (4096 bytes, 2048 units): characters of every length, and faults, placed
// across those edges, in text long enough to take several slices.
TEST(Utf8Test, ConvertsAndRefusesAcrossScanAndSliceEdges) {
  const std::u16string inserts[] = {u"\u00E9", u"\u20AC", u"\U0001F600", u"\u20AC\U0001F600"};
  const std::string invalid[] = {"\x80", "\xC3", "\xE2\x82", "\xED\xA0\x80", "\xF0\x9F\x98"};
  for (std::size_t edge : {63u, 64u, 2047u, 2048u, 4095u, 4096u, 8191u, 8192u}) {
    for (std::size_t before = 0; before <= 4; ++before) {
      const std::size_t offset = edge - before;
      for (const std::u16string& inserted : inserts) {
        std::u16string text(9000, u'x');
        text.insert(offset, inserted);
        const std::optional<std::string> encoded = EncodeUtf8(text);
        EXPECT_EQ(encoded, ReferenceEncode(text, false)) << "offset " << offset;
        if (encoded) {
          EXPECT_EQ(DecodeUtf8(*encoded), text) << "offset " << offset;
        }
        std::u16string lone = text;
        lone.insert(offset, 1, u'\xD800');  // A high surrogate before what follows.
        EXPECT_EQ(EncodeUtf8(lone), ReferenceEncode(lone, false)) << "offset " << offset;
        EXPECT_EQ(EncodeUtf8Lossy(lone), *ReferenceEncode(lone, true)) << "offset " << offset;
      }
      for (const std::string& fault : invalid) {
        std::string bytes(9000, 'x');
        bytes.insert(offset, fault);
        EXPECT_EQ(DecodeUtf8(bytes), std::nullopt) << "offset " << offset;
      }
    }
  }
}

TEST(Utf8Test, AsciiOnlyTextOfEveryLengthNearTheStepsConverts) {
  for (std::size_t length = 0; length <= 130; ++length) {
    std::string bytes;
    std::u16string text;
    for (std::size_t i = 0; i < length; ++i) {
      bytes += static_cast<char>(0x20 + i % 0x5F);
      text += static_cast<char16_t>(0x20 + i % 0x5F);
    }
    EXPECT_EQ(DecodeUtf8(bytes), text) << "length " << length;
    EXPECT_EQ(EncodeUtf8(text), bytes) << "length " << length;
    // The same text with its last character outside ASCII takes the other path.
    if (length > 0) {
      bytes.back() = '\x7F';
      text.back() = u'\x7F';
      EXPECT_EQ(DecodeUtf8(bytes), text);
      text.back() = u'\u0080';
      EXPECT_EQ(EncodeUtf8(text), bytes.substr(0, length - 1) + "\xC2\x80") << "length " << length;
      bytes.back() = '\x80';
      EXPECT_EQ(DecodeUtf8(bytes), std::nullopt) << "length " << length;
    }
  }
}

TEST(Utf8Test, WidenReplacesEachInvalidByte) {
  EXPECT_EQ(WidenUtf8("caf\xC3\xA9"), u"caf\u00E9");
  EXPECT_EQ(WidenUtf8("a\xFF\xC3"), u"a\uFFFD\uFFFD");
}

// A text's UTF-8 length is what its encoding takes, and a pair split between two pieces still
// counts its four bytes.
TEST(Utf8LengthTest, IsTheEncodedSizeAndSurvivesASplitPair) {
  const std::u16string text = u"a\u00E9\u20AC\U0001F600z\u07FF\u0800";
  EXPECT_EQ(Utf8Length(text), EncodeUtf8(text)->size());
  for (std::size_t cut = 0; cut <= text.size(); ++cut) {
    EXPECT_EQ(Utf8Length(text.substr(0, cut)) + Utf8Length(text.substr(cut)), Utf8Length(text))
        << cut;
  }
}

// However short the limit, the cut ends between characters, and as late as it may.
TEST(Utf8LengthTest, PrefixNeverEndsInsideACharacter) {
  const std::string bytes = *EncodeUtf8(u"a\u00E9\u20AC\U0001F600z");
  for (std::size_t limit = 0; limit <= bytes.size() + 1; ++limit) {
    const std::size_t length = Utf8PrefixLength(bytes, limit);
    EXPECT_LE(length, limit);
    EXPECT_TRUE(DecodeUtf8(bytes.substr(0, length)).has_value()) << limit;
    // One more character would not have fitted.
    std::size_t next = length + 1;
    while (next < bytes.size() && (static_cast<unsigned char>(bytes[next]) & 0xC0) == 0x80) ++next;
    EXPECT_TRUE(length == bytes.size() || next > limit) << limit;
  }
}

}  // namespace
}  // namespace rozovevi::ioserver
