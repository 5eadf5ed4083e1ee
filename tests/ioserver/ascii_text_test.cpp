// The text library's ASCII work: case-blind comparison of bytes and of UTF-16 text alike, quoting
// for reasons and reports, and seconds as durations.
#include "ioserver/ascii_text.h"

#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>

namespace rozovevi::ioserver {
namespace {

using namespace std::chrono_literals;

// Only ASCII letters fold, the same way for bytes and for UTF-16 units.
TEST(AsciiTextTest, CaseBlindComparisonsFoldOnlyAsciiLetters) {
  struct Case {
    std::string text;
    std::string other;
    bool equal;
    bool prefix;
  };
  for (const Case& each : {
           Case{"MODBUS:tcp", "modbus:", false, true},
           Case{"modbus:", "MODBUS:", true, true},
           Case{"Yes", "yes", true, true},
           Case{"yess", "yes", false, true},
           Case{"ye", "yes", false, false},
           Case{"@", "`", false, false},  // Next to the letters, not letters.
           Case{"[", "{", false, false},
           Case{"", "", true, true},
       }) {
    EXPECT_EQ(EqualsIgnoringCase(each.text, each.other), each.equal) << each.text;
    EXPECT_EQ(StartsWithIgnoringCase(each.text, each.other), each.prefix) << each.text;
    const std::u16string text(each.text.begin(), each.text.end());
    const std::u16string other(each.other.begin(), each.other.end());
    EXPECT_EQ(EqualsIgnoringCase(text, other), each.equal) << each.text;
    EXPECT_EQ(StartsWithIgnoringCase(text, other), each.prefix) << each.text;
  }
  EXPECT_FALSE(EqualsIgnoringCase(std::u16string_view(u"\u00C9"), u"\u00E9"));  // Not ASCII.
  EXPECT_TRUE(StartsWith(std::u16string_view(u"--count=3"), u"--count"));
  EXPECT_FALSE(StartsWith(std::u16string_view(u"--Count=3"), u"--count"));
  EXPECT_TRUE(EndsWith("value\r\n", "\r\n"));
  EXPECT_FALSE(EndsWith("\n", "\r\n"));
}

TEST(AsciiTextTest, QuotingEscapesControlBytesAndCutsOnlyBetweenCharacters) {
  EXPECT_EQ(QuotedForReason("hr/0\r\n\x7F"), "'hr/0\\x0D\\x0A\\x7F'");
  EXPECT_EQ(QuotedWhole("line1\nline2"), "\"line1\\x0Aline2\"");
  // Past the limit a reason's quote is cut, never inside a character; a report's never is.
  const std::string long_text = std::string(kLongestQuote - 1, 'a') + "\xC3\xA9" + "tail";
  EXPECT_EQ(QuotedForReason(long_text), "'" + std::string(kLongestQuote - 1, 'a') + "...'");
  EXPECT_EQ(QuotedWhole(long_text), "\"" + long_text + "\"");
  EXPECT_EQ(QuotedForReason(std::string(kLongestQuote, 'b')),
            "'" + std::string(kLongestQuote, 'b') + "'");
}

TEST(AsciiTextTest, SecondsBecomeDurationsWithinTheirBounds) {
  struct Case {
    const char* text;
    std::optional<std::chrono::microseconds> value;
  };
  for (const Case& each : {
           Case{"1", 1s},
           Case{"0.05", 50ms},
           Case{"2.000001", 2000001us},
           Case{"86400", 24h},
           Case{"86400.0000001", std::nullopt},  // Past the longest, though under a microsecond.
           Case{"0.0499999", std::nullopt},
           Case{"0.0500009", 50ms},  // Digits past the microsecond are dropped.
           Case{"1.", std::nullopt},
           Case{".5", std::nullopt},
           Case{"1e3", std::nullopt},
           Case{"4294967296", std::nullopt},
       }) {
    EXPECT_EQ(ParseSeconds(each.text, 50ms, 24h), each.value) << each.text;
  }
}

}  // namespace
}  // namespace rozovevi::ioserver
