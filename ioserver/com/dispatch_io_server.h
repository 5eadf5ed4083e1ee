// The I/O server reached through an object's IDispatch, every member by name at each call.
#pragma once

#include <windows.h>
// After windows.h, which it needs.
#include <oleauto.h>
#include <wrl/client.h>

#include "ioserver/io_server.h"

namespace rozovevi::ioserver::com {

class DispatchIoServer final : public IoServer {
 public:
  // Takes over the reference held by object; it is released when this goes.
  explicit DispatchIoServer(Microsoft::WRL::ComPtr<IDispatch> object);

  void Silent(const AutomationValue& value) override;
  AutomationValue ReadInputFile(const AutomationValue& address) override;
  void WriteOutputFile(const AutomationValue& address, const AutomationValue& value) override;
  // The value's BSTR is made straight from the caller's text: the one copy the call needs.
  void WriteOutputText(const AutomationValue& address, std::u16string_view value) override;
  AutomationValue Success() override;

 private:
  Microsoft::WRL::ComPtr<IDispatch> object_;
};

}  // namespace rozovevi::ioserver::com
