// Values as text: what each type accepts and refuses when written, and how each prints when read.
#include "ioserver/standin/modbus/value_text.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstring>
#include <string>

#include "ioserver/standin/modbus/register_order.h"

namespace rozovevi::ioserver::standin::modbus {
namespace {

using T = ValueType;

struct ParseCase {
  ValueType type;
  const char* text;
  RawValue raw;
};

void PrintTo(const ParseCase& c, std::ostream* os) {
  *os << NameOf(c.type) << " '" << c.text << "'";
}

class AcceptedValueTest : public ::testing::TestWithParam<ParseCase> {};

TEST_P(AcceptedValueTest, GivesTheBitsTheDeviceHolds) {
  const auto parsed = ParseValueText(GetParam().type, std::string_view(GetParam().text));
  ASSERT_TRUE(std::holds_alternative<RawValue>(parsed)) << std::get<Status>(parsed).reason();
  EXPECT_EQ(std::get<RawValue>(parsed), GetParam().raw) << std::hex << std::get<RawValue>(parsed);
}

INSTANTIATE_TEST_SUITE_P(
    Values, AcceptedValueTest,
    ::testing::Values(
        ParseCase{T::kBool, "0", 0}, ParseCase{T::kBool, "1", 1}, ParseCase{T::kBool, "TRUE", 1},
        ParseCase{T::kBool, "False", 0}, ParseCase{T::kBool, "On", 1},
        ParseCase{T::kBool, "oFF", 0}, ParseCase{T::kBool, " \t1\r\n", 1},
        ParseCase{T::kU16, "0", 0}, ParseCase{T::kU16, "65535", 0xFFFF},
        ParseCase{T::kU16, "+7", 7}, ParseCase{T::kU16, "-0", 0},
        ParseCase{T::kU16, "0xFFFF", 0xFFFF}, ParseCase{T::kU16, "0X1a", 0x1A},
        ParseCase{T::kU16, "007", 7}, ParseCase{T::kU16, "\v\f 42 \n", 42},
        ParseCase{T::kI16, "-32768", 0x8000}, ParseCase{T::kI16, "32767", 0x7FFF},
        ParseCase{T::kI16, "-1", 0xFFFF}, ParseCase{T::kI16, "-0x10", 0xFFF0},
        ParseCase{T::kU32, "4294967295", 0xFFFFFFFF}, ParseCase{T::kU32, "65538", 0x10002},
        ParseCase{T::kI32, "-2147483648", 0x80000000}, ParseCase{T::kI32, "-2", 0xFFFFFFFE},
        ParseCase{T::kU64, "18446744073709551615", ~RawValue{0}},
        ParseCase{T::kU64, "0xFFFFFFFFFFFFFFFF", ~RawValue{0}},
        ParseCase{T::kI64, "-9223372036854775808", 0x8000000000000000},
        ParseCase{T::kI64, "9223372036854775807", 0x7FFFFFFFFFFFFFFF},
        ParseCase{T::kF32, "1", 0x3F800000}, ParseCase{T::kF32, "1.0", 0x3F800000},
        ParseCase{T::kF32, "123456", 0x47F12000}, ParseCase{T::kF32, "-2e3", 0xC4FA0000},
        ParseCase{T::kF32, "+0.5", 0x3F000000}, ParseCase{T::kF32, "-0", 0x80000000},
        ParseCase{T::kF32, "inf", 0x7F800000}, ParseCase{T::kF32, "-INF", 0xFF800000},
        ParseCase{T::kF32, "nan", 0x7FC00000}, ParseCase{T::kF32, "-nan", 0x7FC00000},
        ParseCase{T::kF32, "NaN", 0x7FC00000}, ParseCase{T::kF32, "3.4028235e38", 0x7F7FFFFF},
        ParseCase{T::kF32, " 1.5\n", 0x3FC00000}, ParseCase{T::kF64, "1", 0x3FF0000000000000},
        ParseCase{T::kF64, "nan", 0x7FF8000000000000},
        ParseCase{T::kF64, "1e39", 0x48078287F49C4A1D},
        ParseCase{T::kF64, "-inf", 0xFFF0000000000000}),
    [](const ::testing::TestParamInfo<ParseCase>& info) {
      return "Case" + std::to_string(info.index);
    });

struct RefusedCase {
  ValueType type;
  const char* text;
};

void PrintTo(const RefusedCase& c, std::ostream* os) {
  *os << NameOf(c.type) << " '" << c.text << "'";
}

class RefusedValueTest : public ::testing::TestWithParam<RefusedCase> {};

TEST_P(RefusedValueTest, IsNeverWrappedOrGuessed) {
  const auto parsed = ParseValueText(GetParam().type, std::string_view(GetParam().text));
  ASSERT_TRUE(std::holds_alternative<Status>(parsed)) << std::get<RawValue>(parsed);
  EXPECT_EQ(std::get<Status>(parsed).reason().find('\n'), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Values, RefusedValueTest,
    ::testing::Values(
        RefusedCase{T::kBool, ""}, RefusedCase{T::kBool, "2"}, RefusedCase{T::kBool, "yes"},
        RefusedCase{T::kBool, "0x1"}, RefusedCase{T::kBool, "o n"}, RefusedCase{T::kU16, ""},
        RefusedCase{T::kU16, "   "}, RefusedCase{T::kU16, "65536"}, RefusedCase{T::kU16, "-1"},
        RefusedCase{T::kU16, "0x10000"}, RefusedCase{T::kU16, "0x"}, RefusedCase{T::kU16, "+"},
        RefusedCase{T::kU16, "--1"}, RefusedCase{T::kU16, "+-1"}, RefusedCase{T::kU16, "12abc"},
        RefusedCase{T::kU16, "1,5"}, RefusedCase{T::kU16, "1.0"}, RefusedCase{T::kU16, "1 2"},
        RefusedCase{T::kU16, "0x-1"}, RefusedCase{T::kU16, "0x+1"}, RefusedCase{T::kI16, "32768"},
        RefusedCase{T::kI16, "-32769"}, RefusedCase{T::kU32, "4294967296"},
        RefusedCase{T::kI32, "2147483648"}, RefusedCase{T::kI32, "-2147483649"},
        RefusedCase{T::kU64, "18446744073709551616"}, RefusedCase{T::kU64, "-1"},
        RefusedCase{T::kI64, "9223372036854775808"}, RefusedCase{T::kI64, "-9223372036854775809"},
        RefusedCase{T::kU64, "99999999999999999999999999999"}, RefusedCase{T::kF32, ""},
        RefusedCase{T::kF32, "1,5"}, RefusedCase{T::kF32, "1e39"}, RefusedCase{T::kF32, "-1e39"},
        RefusedCase{T::kF32, "0x1p3"}, RefusedCase{T::kF32, "1f"}, RefusedCase{T::kF32, "++1"},
        RefusedCase{T::kF32, "+-1"}, RefusedCase{T::kF32, "."}, RefusedCase{T::kF32, "e5"},
        RefusedCase{T::kF64, "1e309"}, RefusedCase{T::kF64, "1.5x"}),
    [](const ::testing::TestParamInfo<RefusedCase>& info) {
      return "Case" + std::to_string(info.index);
    });

TEST(ValueTextTest, CharactersBeyondAsciiAndNulAreRefused) {
  EXPECT_TRUE(
      std::holds_alternative<Status>(ParseValueText(T::kU16, std::u16string_view(u"\uFF11"))));
  EXPECT_TRUE(
      std::holds_alternative<Status>(ParseValueText(T::kU16, std::u16string_view(u"1\0", 2))));
  EXPECT_EQ(std::get<RawValue>(ParseValueText(T::kI16, std::u16string_view(u" -5\n"))), 0xFFFBu);
}

TEST(ValueTextTest, FloatsParseInTheCLocaleWhateverTheProcessLocale) {
  // Where a locale with a decimal comma is installed, it must change nothing.
  const std::string old = std::setlocale(LC_ALL, nullptr);
  for (const char* name : {"de_DE.UTF-8", "fr_FR.UTF-8", "C"}) {
    if (std::setlocale(LC_ALL, name) == nullptr) continue;
    EXPECT_EQ(std::get<RawValue>(ParseValueText(T::kF32, std::string_view("1.5"))), 0x3FC00000u);
    EXPECT_TRUE(std::holds_alternative<Status>(ParseValueText(T::kF32, std::string_view("1,5"))));
    EXPECT_EQ(FormatValue(T::kF64, 0x3FF8000000000000), "1.5");
  }
  std::setlocale(LC_ALL, old.c_str());
}

struct FormatCase {
  ValueType type;
  RawValue raw;
  const char* text;
};

class FormatTest : public ::testing::TestWithParam<FormatCase> {};

TEST_P(FormatTest, PrintsTheShortestExactText) {
  EXPECT_EQ(FormatValue(GetParam().type, GetParam().raw), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Values, FormatTest,
    ::testing::Values(
        FormatCase{T::kBool, 0, "0"}, FormatCase{T::kBool, 1, "1"},
        FormatCase{T::kU16, 0xFFFE, "65534"}, FormatCase{T::kI16, 0xFFFE, "-2"},
        FormatCase{T::kU32, 0x10002, "65538"}, FormatCase{T::kI32, 0xFFFFFFFE, "-2"},
        FormatCase{T::kU64, ~RawValue{0}, "18446744073709551615"},
        FormatCase{T::kI64, 0x8000000000000000, "-9223372036854775808"},
        FormatCase{T::kF32, 0x3F800000, "1"}, FormatCase{T::kF32, 0x4048F5C3, "3.14"},
        FormatCase{T::kF32, 0xBF000000, "-0.5"}, FormatCase{T::kF32, 0x47F12000, "123456"},
        FormatCase{T::kF32, 0x60AD78EC, "1e+20"}, FormatCase{T::kF32, 0x80000000, "-0"},
        FormatCase{T::kF32, 0x7F800000, "inf"}, FormatCase{T::kF32, 0xFF800000, "-inf"},
        FormatCase{T::kF32, 0x7FC00000, "nan"}, FormatCase{T::kF32, 0xFFC00000, "nan"},
        FormatCase{T::kF32, 0x7F800001, "nan"}, FormatCase{T::kF32, 0xFFFFFFFF, "nan"},
        FormatCase{T::kF32, 0x00000001, "1e-45"}, FormatCase{T::kF64, 0x3FB999999999999A, "0.1"},
        FormatCase{T::kF64, 0xFFF8000000000001, "nan"},
        FormatCase{T::kF64, 0x4415AF1D78B58C40, "1e+20"},
        FormatCase{T::kF64, 0x8000000000000000, "-0"}));

// Every text FormatValue prints reads back as the same bits, for a spread of bit patterns of
// every type; NaNs read back as the quiet NaN.
TEST(ValueTextTest, PrintedTextReadsBackAsTheSameValue) {
  constexpr RawValue kSteps = 20011;
  for (ValueType type :
       {T::kBool, T::kU16, T::kI16, T::kU32, T::kI32, T::kF32, T::kU64, T::kI64, T::kF64}) {
    const int bits = type == T::kBool ? 1 : 16 * WidthOf(type);
    const RawValue mask = bits == 64 ? ~RawValue{0} : (RawValue{1} << bits) - 1;
    RawValue raw = 0;
    for (RawValue step = 0; step < kSteps; ++step) {
      raw = (raw * 6364136223846793005u + 1442695040888963407u);
      const RawValue value = (raw >> (step % 7)) & mask;
      const std::string text = FormatValue(type, value);
      const auto back = ParseValueText(type, std::string_view(text));
      ASSERT_TRUE(std::holds_alternative<RawValue>(back)) << text;
      if (text == "nan") {
        EXPECT_EQ(std::get<RawValue>(back), type == T::kF32 ? 0x7FC00000u : 0x7FF8000000000000u);
      } else {
        ASSERT_EQ(std::get<RawValue>(back), value) << NameOf(type) << " " << text;
      }
    }
  }
}

}  // namespace
}  // namespace rozovevi::ioserver::standin::modbus
