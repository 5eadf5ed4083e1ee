// The single conversion of failed HRESULTs and EXCEPINFOs into IoError.
#include "ioserver/com/com_error.h"

#include <array>
#include <cstdio>

#include "ioserver/utf8.h"
#include "win32/system_error.h"

namespace rozovevi::ioserver::com {
namespace {

// The number the operator sees for an HRESULT: a program error number carried in the
// automation-error facility, or else the HRESULT itself.
std::int32_t ErrorNumber(HRESULT result) {
  if (FAILED(result) && HRESULT_FACILITY(result) == FACILITY_CONTROL) {
    return HRESULT_CODE(result);
  }
  return static_cast<std::int32_t>(result);
}

std::u16string Hex(HRESULT result) {
  std::array<char, 16> buffer{};
  std::snprintf(buffer.data(), buffer.size(), "0x%08lX", static_cast<unsigned long>(result));
  return WidenUtf8(buffer.data());
}

// The system's message, or a generic one naming the HRESULT when the system has none.
std::u16string DescribeHresult(HRESULT result) {
  std::u16string text = win32::SystemMessage(static_cast<DWORD>(result));
  if (text.empty()) text = u"Automation error " + Hex(result);
  return text;
}

IoError FromException(UniqueExceptionInfo& exception) {
  exception.FillDeferred();
  const EXCEPINFO& info = exception.get();
  const std::int32_t number =
      info.wCode != 0 ? static_cast<std::int32_t>(info.wCode) : ErrorNumber(info.scode);
  std::u16string description = BstrText(info.bstrDescription);
  if (description.empty()) description = DescribeHresult(info.wCode != 0 ? E_FAIL : info.scode);
  return IoError(number, std::move(description));
}

}  // namespace

IoError ErrorFromHresult(HRESULT result, ComStep step, std::u16string_view subject,
                         UniqueExceptionInfo* exception) {
  if (result == DISP_E_EXCEPTION && exception != nullptr) return FromException(*exception);
  if (result == DISP_E_UNKNOWNNAME || result == DISP_E_MEMBERNOTFOUND) {
    return MemberNotSupportedError();
  }
  switch (step) {
    case ComStep::kFindClass:
      return NothingRegisteredError(subject);
    case ComStep::kCreateObject:
      return CannotCreateObjectError(subject, DescribeHresult(result));
    case ComStep::kCallMember:
    case ComStep::kConvertValue:
    case ComStep::kStartApartment:
      break;
  }
  return IoError(ErrorNumber(result), DescribeHresult(result));
}

}  // namespace rozovevi::ioserver::com
