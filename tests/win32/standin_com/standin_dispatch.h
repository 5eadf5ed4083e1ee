// A hand-written IDispatch over an I/O server, so that the stand-in answers real COM calls.
#pragma once

#include <windows.h>
// After windows.h, which it needs.
#include <oleauto.h>

#include <atomic>
#include <memory>

#include "ioserver/io_server.h"

namespace rozovevi::tests::standin_com {

// Objects alive in this module, for DllCanUnloadNow.
extern std::atomic<long> g_live_objects;

// Serves Silent (property put), ReadInputFile and Success (method or property get) and
// WriteOutputFile (method) by name, without a type library. Members are matched without regard
// to letter case, as automation names are. An IoError from the server is returned as
// DISP_E_EXCEPTION with its number and description.
class StandInDispatch final : public IDispatch {
 public:
  explicit StandInDispatch(std::unique_ptr<ioserver::IoServer> server);
  StandInDispatch(const StandInDispatch&) = delete;
  StandInDispatch& operator=(const StandInDispatch&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale,
                                          DISPID* ids) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID iid, LCID locale, WORD flags,
                                   DISPPARAMS* parameters, VARIANT* result, EXCEPINFO* exception,
                                   UINT* argument_error) override;

 private:
  ~StandInDispatch();

  HRESULT Call(DISPID member, WORD flags, const DISPPARAMS& parameters, VARIANT* result,
               EXCEPINFO* exception);

  std::atomic<ULONG> references_{1};
  std::unique_ptr<ioserver::IoServer> server_;
};

}  // namespace rozovevi::tests::standin_com
