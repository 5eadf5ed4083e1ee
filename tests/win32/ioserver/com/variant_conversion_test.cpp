// VARIANT <-> AutomationValue and the platform's text form of values.
#include "ioserver/com/variant_conversion.h"

#include <gtest/gtest.h>
#include <functional>
#include <string>

#include "ioserver/io_error.h"

namespace {

using rozovevi::ioserver::AutomationValue;
using rozovevi::ioserver::IoError;
using rozovevi::ioserver::com::BstrFromText;
using rozovevi::ioserver::com::FromVariant;
using rozovevi::ioserver::com::ToVariant;
using rozovevi::ioserver::com::UniqueBstr;
using rozovevi::ioserver::com::UniqueVariant;
using rozovevi::ioserver::com::VariantText;

UniqueVariant Make(const std::function<void(VARIANT&)>& fill) {
  UniqueVariant variant;
  fill(*variant.Put());
  return variant;
}

}  // namespace

TEST(VariantConversion, ReturnedKindsMapToTheNearestValue) {
  static LONG referenced = -7;
  static BSTR referenced_text = nullptr;
  const UniqueBstr text = BstrFromText(std::u16string(u"a\0b", 3));
  referenced_text = text.get();
  const struct {
    const char* name;
    UniqueVariant variant;
    AutomationValue expected;
  } cases[] = {
      {"empty", Make([](VARIANT&) {}), AutomationValue::Empty()},
      {"null", Make([](VARIANT& v) { v.vt = VT_NULL; }), AutomationValue::Null()},
      {"odd Boolean bits", Make([](VARIANT& v) {
         v.vt = VT_BOOL;
         v.boolVal = 1;
       }),
       AutomationValue::BooleanBits(1)},
      {"byte", Make([](VARIANT& v) {
         v.vt = VT_UI1;
         v.bVal = 200;
       }),
       AutomationValue::Int32(200)},
      {"short", Make([](VARIANT& v) {
         v.vt = VT_I2;
         v.iVal = -5;
       }),
       AutomationValue::Int32(-5)},
      {"small unsigned", Make([](VARIANT& v) {
         v.vt = VT_UI4;
         v.ulVal = 7;
       }),
       AutomationValue::Int32(7)},
      {"large unsigned", Make([](VARIANT& v) {
         v.vt = VT_UINT;
         v.uintVal = 0xFFFFFFFFu;
       }),
       AutomationValue::Double(4294967295.0)},
      {"single", Make([](VARIANT& v) {
         v.vt = VT_R4;
         v.fltVal = 0.5f;
       }),
       AutomationValue::Double(0.5)},
      {"text with a NUL", Make([&](VARIANT& v) {
         v.vt = VT_BSTR;
         v.bstrVal = BstrFromText(std::u16string(u"a\0b", 3)).Release();
       }),
       AutomationValue::String(std::u16string(u"a\0b", 3))},
      {"null BSTR", Make([](VARIANT& v) {
         v.vt = VT_BSTR;
         v.bstrVal = nullptr;
       }),
       AutomationValue::String(u"")},
      {"long by reference", Make([](VARIANT& v) {
         v.vt = VT_BYREF | VT_I4;
         v.plVal = &referenced;
       }),
       AutomationValue::Int32(-7)},
      {"text by reference", Make([](VARIANT& v) {
         v.vt = VT_BYREF | VT_BSTR;
         v.pbstrVal = &referenced_text;
       }),
       AutomationValue::String(std::u16string(u"a\0b", 3))},
      {"64-bit integer as text", Make([](VARIANT& v) {
         v.vt = VT_I8;
         v.llVal = -9007199254740993LL;
       }),
       AutomationValue::String(u"-9007199254740993")},
  };
  for (const auto& c : cases) {
    EXPECT_TRUE(FromVariant(c.variant.get()) == c.expected) << "case " << c.name;
  }
}

TEST(VariantConversion, ValuesRoundTripThroughVariants) {
  const AutomationValue values[] = {AutomationValue::Empty(),
                                    AutomationValue::Null(),
                                    AutomationValue::Boolean(true),
                                    AutomationValue::BooleanBits(2),
                                    AutomationValue::Int32(-12),
                                    AutomationValue::Double(1e300),
                                    AutomationValue::String(u"\u00e9\U0001F600"),
                                    AutomationValue::String(u"")};
  for (const AutomationValue& value : values)
    EXPECT_TRUE(FromVariant(ToVariant(value).get()) == value);
}

TEST(VariantConversion, TextIsThePlatformsConversion) {
  EXPECT_TRUE(VariantText(AutomationValue::Boolean(true)) == u"True");
  EXPECT_TRUE(VariantText(AutomationValue::Boolean(false)) == u"False");
  EXPECT_TRUE(VariantText(AutomationValue::Int32(-42)) == u"-42");
  EXPECT_TRUE(VariantText(AutomationValue::Empty()) == u"");
  EXPECT_TRUE(VariantText(AutomationValue::String(u" as typed ")) == u" as typed ");
  // The decimal separator is the user's; the digits are not.
  const std::u16string half = VariantText(AutomationValue::Double(2.5));
  EXPECT_TRUE(half == u"2.5" || half == u"2,5");
  try {
    VariantText(AutomationValue::Null());
    ADD_FAILURE() << "no error was raised";
  } catch (const IoError& error) {
    EXPECT_EQ(94, error.number());
    EXPECT_TRUE(error.description() == u"Invalid use of Null");
  }
}
