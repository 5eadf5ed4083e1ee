// VARIANT <-> AutomationValue at the COM boundary.
#include "ioserver/com/variant_conversion.h"

#include <cstdint>
#include <limits>

#include "ioserver/com/com_error.h"
#include "ioserver/io_error.h"

namespace rozovevi::ioserver::com {
namespace {

// Some SDKs declare the source of these conversions without const; it is only read.
VARIANT* Source(const VARIANT& variant) { return const_cast<VARIANT*>(&variant); }

// VARIANT_ALPHABOOL: Booleans as "True"/"False" rather than "-1"/"0".
std::u16string TextOf(const VARIANT& variant) {
  UniqueVariant text;
  ThrowIfFailed(VariantChangeTypeEx(text.Put(), Source(variant), LOCALE_USER_DEFAULT,
                                    VARIANT_ALPHABOOL, VT_BSTR),
                ComStep::kConvertValue, u"");
  return BstrText(text.get().bstrVal);
}

// Every integer kind handled here fits in a long long, so one comparison covers them all.
AutomationValue FromInteger(long long value) {
  if (value >= std::numeric_limits<std::int32_t>::min() &&
      value <= std::numeric_limits<std::int32_t>::max()) {
    return AutomationValue::Int32(static_cast<std::int32_t>(value));
  }
  return AutomationValue::Double(static_cast<double>(value));
}

}  // namespace

UniqueVariant ToVariant(const AutomationValue& value) {
  UniqueVariant variant;
  VARIANT& v = *variant.Put();
  switch (value.kind()) {
    case ValueKind::kEmpty:
      break;
    case ValueKind::kNull:
      v.vt = VT_NULL;
      break;
    case ValueKind::kBoolean:
      v.vt = VT_BOOL;
      v.boolVal = value.boolean_bits();
      break;
    case ValueKind::kInt32:
      v.vt = VT_I4;
      v.lVal = value.int32();
      break;
    case ValueKind::kDouble:
      v.vt = VT_R8;
      v.dblVal = value.real();
      break;
    case ValueKind::kString:
      return TextVariant(value.string());
  }
  return variant;
}

UniqueVariant TextVariant(std::u16string_view text) {
  UniqueVariant variant;
  VARIANT& v = *variant.Put();
  v.bstrVal = BstrFromText(text).Release();
  v.vt = VT_BSTR;
  return variant;
}

AutomationValue FromVariant(const VARIANT& variant) {
  if ((variant.vt & VT_BYREF) != 0) {
    UniqueVariant value;
    ThrowIfFailed(VariantCopyInd(value.Put(), Source(variant)), ComStep::kConvertValue, u"");
    return FromVariant(value.get());
  }
  switch (variant.vt) {
    case VT_EMPTY:
      return AutomationValue::Empty();
    case VT_NULL:
      return AutomationValue::Null();
    case VT_BOOL:
      return AutomationValue::BooleanBits(variant.boolVal);
    case VT_I1:
      return FromInteger(variant.cVal);
    case VT_UI1:
      return FromInteger(variant.bVal);
    case VT_I2:
      return FromInteger(variant.iVal);
    case VT_UI2:
      return FromInteger(variant.uiVal);
    case VT_I4:
      return FromInteger(variant.lVal);
    case VT_UI4:
      return FromInteger(variant.ulVal);
    case VT_INT:
      return FromInteger(variant.intVal);
    case VT_UINT:
      return FromInteger(variant.uintVal);
    case VT_R4:
      return AutomationValue::Double(variant.fltVal);
    case VT_R8:
      return AutomationValue::Double(variant.dblVal);
    case VT_BSTR:
      return AutomationValue::String(BstrText(variant.bstrVal));
    default:
      return AutomationValue::String(TextOf(variant));
  }
}

std::u16string VariantText(const AutomationValue& value) {
  switch (value.kind()) {
    case ValueKind::kNull:
      throw InvalidUseOfNullError();
    case ValueKind::kString:
      return value.string();
    default:
      return TextOf(ToVariant(value).get());
  }
}

}  // namespace rozovevi::ioserver::com
