// The False comparison behind Success and the portable conversion of values to text.
#include "ioserver/automation_value.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

#include "ioserver/io_error.h"

namespace rozovevi::ioserver {
namespace {

struct FalseCase {
  const char* name;
  AutomationValue value;
  bool equals_false;
};

// Names the case in test output instead of dumping its bytes.
void PrintTo(const FalseCase& c, std::ostream* os) { *os << c.name; }

class ComparesEqualToFalseTest : public testing::TestWithParam<FalseCase> {};

TEST_P(ComparesEqualToFalseTest, OnlyFalseZeroAndEmptyMeanFailure) {
  EXPECT_EQ(ComparesEqualToFalse(GetParam().value), GetParam().equals_false);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ComparesEqualToFalseTest,
    testing::Values(FalseCase{"BooleanFalse", AutomationValue::Boolean(false), true},
                    FalseCase{"BooleanTrue", AutomationValue::Boolean(true), false},
                    FalseCase{"BooleanBitsOne", AutomationValue::BooleanBits(1), false},
                    FalseCase{"BooleanBitsMinusOne", AutomationValue::BooleanBits(-1), false},
                    FalseCase{"Int32Zero", AutomationValue::Int32(0), true},
                    FalseCase{"Int32MinusOne", AutomationValue::Int32(-1), false},
                    FalseCase{"DoubleZero", AutomationValue::Double(0.0), true},
                    FalseCase{"DoubleNegativeZero", AutomationValue::Double(-0.0), true},
                    FalseCase{"DoubleTiny", AutomationValue::Double(1e-300), false},
                    FalseCase{"DoubleNaN",
                              AutomationValue::Double(std::numeric_limits<double>::quiet_NaN()),
                              false},
                    FalseCase{"Empty", AutomationValue::Empty(), true},
                    FalseCase{"NullMeansSuccess", AutomationValue::Null(), false},
                    FalseCase{"EmptyString", AutomationValue::String(u""), false},
                    FalseCase{"StringFalse", AutomationValue::String(u"False"), false}),
    [](const testing::TestParamInfo<FalseCase>& info) { return info.param.name; });

struct TextCase {
  const char* name;
  AutomationValue value;
  std::u16string text;
};

// Names the case in test output instead of dumping its bytes.
void PrintTo(const TextCase& c, std::ostream* os) { *os << c.name; }

class ToTextTest : public testing::TestWithParam<TextCase> {};

TEST_P(ToTextTest, ConvertsToTheExpectedText) {
  EXPECT_EQ(ToText(GetParam().value), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ToTextTest,
    testing::Values(
        TextCase{"Empty", AutomationValue::Empty(), u""},
        TextCase{"True", AutomationValue::Boolean(true), u"True"},
        TextCase{"AnyNonZeroBitsAreTrue", AutomationValue::BooleanBits(1), u"True"},
        TextCase{"False", AutomationValue::Boolean(false), u"False"},
        TextCase{"Int32Zero", AutomationValue::Int32(0), u"0"},
        TextCase{"Int32MinusOne", AutomationValue::Int32(-1), u"-1"},
        TextCase{"Int32Lowest", AutomationValue::Int32(std::numeric_limits<std::int32_t>::min()),
                 u"-2147483648"},
        TextCase{"DoubleShortestTenth", AutomationValue::Double(0.1), u"0.1"},
        TextCase{"DoubleSumKeepsAllDigits", AutomationValue::Double(0.1 + 0.2),
                 u"0.30000000000000004"},
        TextCase{"DoubleLargeIsExponential", AutomationValue::Double(1e21), u"1e+21"},
        TextCase{"DoubleWhole", AutomationValue::Double(2.0), u"2"},
        TextCase{"DoubleZero", AutomationValue::Double(0.0), u"0"},
        TextCase{"DoubleNegativeZeroKeepsSign", AutomationValue::Double(-0.0), u"-0"},
        TextCase{"StringUnchanged", AutomationValue::String(u" a\r\n\xD800"), u" a\r\n\xD800"}),
    [](const testing::TestParamInfo<TextCase>& info) { return info.param.name; });

TEST(ToTextTest, NullRaisesInvalidUseOfNull) {
  try {
    ToText(AutomationValue::Null());
    FAIL() << "Null was converted to text";
  } catch (const IoError& error) {
    EXPECT_EQ(error.number(), 94);
    EXPECT_EQ(error.description(), u"Invalid use of Null");
  }
}

}  // namespace
}  // namespace rozovevi::ioserver
