// GetIDsOfNames, then Invoke, with the arguments reversed as IDispatch expects them.
#include "ioserver/com/late_binding.h"

#include <string>

#include "ioserver/com/com_error.h"
#include "win32/win32_text.h"

namespace rozovevi::ioserver::com {

UniqueVariant CallByName(IDispatch& object, std::u16string_view member, CallKind kind,
                         std::vector<UniqueVariant> arguments) {
  std::wstring name = win32::ToWide(member);  // NUL-terminated, and writable as LPOLESTR.
  LPOLESTR names[] = {name.data()};
  DISPID member_id = DISPID_UNKNOWN;
  ThrowIfFailed(object.GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &member_id),
                ComStep::kCallMember, member);

  // IDispatch takes the arguments last first. The array holds bitwise copies that Invoke only
  // reads; the owners in arguments still free them.
  std::vector<VARIANT> reversed;
  reversed.reserve(arguments.size());
  for (auto it = arguments.rbegin(); it != arguments.rend(); ++it) reversed.push_back(it->get());

  DISPID put_id = DISPID_PROPERTYPUT;
  DISPPARAMS parameters{};
  parameters.rgvarg = reversed.empty() ? nullptr : reversed.data();
  parameters.cArgs = static_cast<UINT>(reversed.size());
  if (kind == CallKind::kPropertyPut) {
    parameters.rgdispidNamedArgs = &put_id;
    parameters.cNamedArgs = 1;
  }

  UniqueVariant result;
  UniqueExceptionInfo exception;
  UINT argument_error = 0;
  const HRESULT outcome = object.Invoke(
      member_id, IID_NULL, LOCALE_USER_DEFAULT, static_cast<WORD>(kind), &parameters,
      kind == CallKind::kPropertyPut ? nullptr : result.Put(), exception.Put(), &argument_error);
  if (FAILED(outcome)) {
    throw ErrorFromHresult(outcome, ComStep::kCallMember, member, &exception);
  }
  return result;
}

}  // namespace rozovevi::ioserver::com
