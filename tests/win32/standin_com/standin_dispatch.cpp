// IDispatch by hand: four members by name, arguments by position, IoError as DISP_E_EXCEPTION.
#include "tests/win32/standin_com/standin_dispatch.h"

#include <cwctype>
#include <new>
#include <string_view>

#include "ioserver/com/com_owners.h"
#include "ioserver/com/variant_conversion.h"
#include "ioserver/io_error.h"
#include "ioserver/utf8.h"
#include "tests/win32/standin_com/test_addresses.h"

namespace rozovevi::tests::standin_com {

std::atomic<long> g_live_objects{0};

namespace {

using ioserver::AutomationValue;
using ioserver::com::BstrFromText;
using ioserver::com::UniqueVariant;

enum Member : DISPID { kSilent = 1, kReadInputFile, kWriteOutputFile, kSuccess };

struct MemberName {
  std::u16string_view name;
  DISPID id;
};
constexpr MemberName kMembers[] = {{u"Silent", kSilent},
                                   {u"ReadInputFile", kReadInputFile},
                                   {u"WriteOutputFile", kWriteOutputFile},
                                   {u"Success", kSuccess}};

bool SameNameIgnoringCase(std::u16string_view a, const wchar_t* b) {
  std::size_t i = 0;
  for (; i < a.size(); ++i) {
    if (b[i] == L'\0') return false;
    if (towlower(static_cast<wint_t>(a[i])) != towlower(static_cast<wint_t>(b[i]))) return false;
  }
  return b[i] == L'\0';
}

// The argument at position (0 is the first as written); IDispatch stores them last first. A
// property assignment's one argument is its named DISPID_PROPERTYPUT value.
const VARIANT& Argument(const DISPPARAMS& parameters, UINT position) {
  return parameters.rgvarg[parameters.cArgs - 1 - position];
}

// An argument coerced to a string, as a server declared to take strings does.
HRESULT StringArgument(const DISPPARAMS& parameters, UINT position, AutomationValue& value) {
  UniqueVariant text;
  const HRESULT outcome = VariantChangeType(
      text.Put(), const_cast<VARIANT*>(&Argument(parameters, position)), 0, VT_BSTR);
  if (FAILED(outcome)) return outcome;
  value = AutomationValue::String(ioserver::com::BstrText(text.get().bstrVal));
  return S_OK;
}

HRESULT ToException(std::int32_t number, std::u16string_view description, EXCEPINFO* exception) {
  if (exception != nullptr) {
    *exception = EXCEPINFO{};
    // Program error numbers travel in the automation-error facility.
    exception->scode = number >= 0 && number <= 0xFFFF
                           ? MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, number)
                           : static_cast<SCODE>(number);
    exception->bstrSource = BstrFromText(u"DARedUde.daREDudeClass").Release();
    exception->bstrDescription = BstrFromText(description).Release();
  }
  return DISP_E_EXCEPTION;
}

}  // namespace

StandInDispatch::StandInDispatch(std::unique_ptr<ioserver::IoServer> server)
    : server_(std::move(server)) {
  ++g_live_objects;
}

StandInDispatch::~StandInDispatch() { --g_live_objects; }

HRESULT STDMETHODCALLTYPE StandInDispatch::QueryInterface(REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  if (iid == IID_IUnknown || iid == IID_IDispatch) {
    *object = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE StandInDispatch::AddRef() { return ++references_; }

ULONG STDMETHODCALLTYPE StandInDispatch::Release() {
  const ULONG left = --references_;
  if (left == 0) delete this;
  return left;
}

HRESULT STDMETHODCALLTYPE StandInDispatch::GetTypeInfoCount(UINT* count) {
  if (count == nullptr) return E_POINTER;
  *count = 0;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE StandInDispatch::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
  if (info != nullptr) *info = nullptr;
  return DISP_E_BADINDEX;
}

HRESULT STDMETHODCALLTYPE StandInDispatch::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                                         DISPID* ids) {
  if (names == nullptr || ids == nullptr || count == 0) return E_INVALIDARG;
  for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
  // Only the member name is known; named arguments are not.
  for (const MemberName& member : kMembers) {
    if (SameNameIgnoringCase(member.name, names[0])) {
      ids[0] = member.id;
      return count == 1 ? S_OK : DISP_E_UNKNOWNNAME;
    }
  }
  return DISP_E_UNKNOWNNAME;
}

HRESULT STDMETHODCALLTYPE StandInDispatch::Invoke(DISPID member, REFIID, LCID, WORD flags,
                                                  DISPPARAMS* parameters, VARIANT* result,
                                                  EXCEPINFO* exception, UINT* argument_error) {
  if (parameters == nullptr) return E_INVALIDARG;
  if (argument_error != nullptr) *argument_error = 0;
  if (result != nullptr) VariantInit(result);
  // No exception may cross the COM boundary: each becomes an HRESULT or an EXCEPINFO here.
  try {
    return Call(member, flags, *parameters, result, exception);
  } catch (const ioserver::IoError& error) {
    return ToException(error.number(), error.description(), exception);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (const std::exception& error) {
    return ToException(static_cast<std::int32_t>(E_FAIL), ioserver::WidenUtf8(error.what()),
                       exception);
  }
}

HRESULT StandInDispatch::Call(DISPID member, WORD flags, const DISPPARAMS& parameters,
                              VARIANT* result, EXCEPINFO* exception) {
  const bool gets = (flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET)) != 0;
  const UINT positional = parameters.cArgs - parameters.cNamedArgs;
  switch (member) {
    case kSilent: {
      if ((flags & DISPATCH_PROPERTYPUT) == 0) return DISP_E_MEMBERNOTFOUND;
      if (parameters.cArgs != 1 || parameters.cNamedArgs != 1 ||
          parameters.rgdispidNamedArgs[0] != DISPID_PROPERTYPUT) {
        return DISP_E_BADPARAMCOUNT;
      }
      server_->Silent(ioserver::com::FromVariant(parameters.rgvarg[0]));
      return S_OK;
    }
    case kReadInputFile: {
      if (!gets) return DISP_E_MEMBERNOTFOUND;
      if (positional != 1 || parameters.cNamedArgs != 0) return DISP_E_BADPARAMCOUNT;
      AutomationValue address;
      if (const HRESULT outcome = StringArgument(parameters, 0, address); FAILED(outcome)) {
        return outcome;
      }
      HRESULT outcome = S_OK;
      if (AnswerTestAddress(address.string(), result, exception, outcome)) return outcome;
      AutomationValue value = server_->ReadInputFile(address);
      if (result != nullptr) *result = ioserver::com::ToVariant(value).Release();
      return S_OK;
    }
    case kWriteOutputFile: {
      if ((flags & DISPATCH_METHOD) == 0) return DISP_E_MEMBERNOTFOUND;
      if (positional != 2 || parameters.cNamedArgs != 0) return DISP_E_BADPARAMCOUNT;
      AutomationValue address;
      AutomationValue value;
      HRESULT outcome = StringArgument(parameters, 0, address);
      if (SUCCEEDED(outcome)) outcome = StringArgument(parameters, 1, value);
      if (FAILED(outcome)) return outcome;
      server_->WriteOutputFile(address, value);
      return S_OK;
    }
    case kSuccess: {
      if (!gets) return DISP_E_MEMBERNOTFOUND;
      if (parameters.cArgs != 0) return DISP_E_BADPARAMCOUNT;
      AutomationValue success = server_->Success();
      if (result != nullptr) *result = ioserver::com::ToVariant(success).Release();
      return S_OK;
    }
    default:
      return DISP_E_MEMBERNOTFOUND;
  }
}

}  // namespace rozovevi::tests::standin_com
