// Creation of I/O server objects through CLSIDFromProgID and CoCreateInstance.
#include "ioserver/com/com_runtime.h"

#include <windows.h>
// After windows.h, which it needs.
#include <objbase.h>
#include <wrl/client.h>

#include "ioserver/com/com_error.h"
#include "ioserver/com/dispatch_io_server.h"
#include "ioserver/com/variant_conversion.h"
#include "win32/win32_text.h"

namespace rozovevi::ioserver::com {

std::unique_ptr<IoServer> ComRuntime::CreateObject(std::u16string_view prog_id) {
  const std::wstring wide_id = win32::ToWide(prog_id);  // NUL-terminated.
  CLSID class_id{};
  ThrowIfFailed(CLSIDFromProgID(wide_id.c_str(), &class_id), ComStep::kFindClass, prog_id);

  Microsoft::WRL::ComPtr<IDispatch> object;
  ThrowIfFailed(CoCreateInstance(class_id, nullptr, CLSCTX_SERVER,
                                 IID_PPV_ARGS(object.ReleaseAndGetAddressOf())),
                ComStep::kCreateObject, prog_id);
  return std::make_unique<DispatchIoServer>(std::move(object));
}

std::u16string ComRuntime::ConvertToText(const AutomationValue& value) const {
  return VariantText(value);
}

}  // namespace rozovevi::ioserver::com
