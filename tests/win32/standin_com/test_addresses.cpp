// The test server's misbehaving addresses.
#include "tests/win32/standin_com/test_addresses.h"

#include <cstdlib>
#include <string>

#include "ioserver/com/com_owners.h"
#include "ioserver/utf8.h"

namespace rozovevi::tests::standin_com {
namespace {

using ioserver::com::BstrFromText;

// A value returned by reference lives as long as the module.
LONG g_referenced_value = 42;

std::u16string_view NextField(std::u16string_view& rest) {
  const std::size_t colon = rest.find(u':');
  std::u16string_view field = rest.substr(0, colon);
  rest = colon == std::u16string_view::npos ? std::u16string_view() : rest.substr(colon + 1);
  return field;
}

long ParseNumber(std::u16string_view text) {
  const std::string narrow = ioserver::EncodeUtf8Lossy(text);
  return static_cast<long>(std::strtoul(narrow.c_str(), nullptr, 0));
}

HRESULT STDMETHODCALLTYPE FillInDeferred(EXCEPINFO* exception) {
  exception->scode = MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, kDeferredNumber);
  exception->bstrDescription = BstrFromText(kDeferredDescription).Release();
  return S_OK;
}

HRESULT Raise(std::u16string_view rest, EXCEPINFO* exception) {
  const std::u16string_view kind = NextField(rest);
  if (kind == u"hresult") return static_cast<HRESULT>(ParseNumber(NextField(rest)));
  if (exception == nullptr) return DISP_E_EXCEPTION;
  *exception = EXCEPINFO{};
  exception->bstrSource = BstrFromText(u"DARedUde.daREDudeClass").Release();
  if (kind == u"deferred") {
    exception->pfnDeferredFillIn = &FillInDeferred;
    return DISP_E_EXCEPTION;
  }
  const long number = ParseNumber(NextField(rest));
  if (kind == u"wcode") {
    exception->wCode = static_cast<WORD>(number);
  } else {
    exception->scode = static_cast<SCODE>(number);
  }
  exception->bstrDescription = BstrFromText(rest).Release();
  return DISP_E_EXCEPTION;
}

HRESULT Value(std::u16string_view kind, VARIANT* result) {
  if (result == nullptr) return S_OK;
  VariantInit(result);
  if (kind == u"null") {
    result->vt = VT_NULL;
  } else if (kind == u"date") {
    result->vt = VT_DATE;
    result->date = 45000.5;  // 15 March 2023, 12:00.
  } else if (kind == u"i8") {
    result->vt = VT_I8;
    result->llVal = 9007199254740993LL;  // 2^53 + 1: a double would lose the last digit.
  } else if (kind == u"cy") {
    result->vt = VT_CY;
    result->cyVal.int64 = 123456;  // 12.3456
  } else if (kind == u"bool") {
    result->vt = VT_BOOL;
    result->boolVal = VARIANT_FALSE;
  } else if (kind == u"r8") {
    result->vt = VT_R8;
    result->dblVal = 2.5;
  } else if (kind == u"ui4big") {
    result->vt = VT_UI4;
    result->ulVal = 4000000000UL;
  } else if (kind == u"byref") {
    result->vt = VT_BYREF | VT_I4;
    result->plVal = &g_referenced_value;
  } else {
    return DISP_E_TYPEMISMATCH;
  }
  return S_OK;
}

}  // namespace

bool AnswerTestAddress(std::u16string_view address, VARIANT* result, EXCEPINFO* exception,
                       HRESULT& outcome) {
  if (address.substr(0, kRaisePrefix.size()) == kRaisePrefix) {
    outcome = Raise(address.substr(kRaisePrefix.size()), exception);
    return true;
  }
  if (address.substr(0, kValuePrefix.size()) == kValuePrefix) {
    outcome = Value(address.substr(kValuePrefix.size()), result);
    return true;
  }
  return false;
}

}  // namespace rozovevi::tests::standin_com
