// The stand-in server DLL's entry points: class factory, unloading and per-user registration.
#include <windows.h>
// After windows.h, which it needs.
#include <objbase.h>
#include <wrl/client.h>

#include <memory>
#include <string>

#include "ioserver/automation_runtime.h"
#include "ioserver/embedded_runtime.h"
#include "ioserver/standin/standin_server.h"
#include "tests/win32/standin_com/standin_class_id.h"
#include "tests/win32/standin_com/standin_dispatch.h"
#include "win32/unique_handle.h"
#include "win32/win32_text.h"

namespace rozovevi::tests::standin_com {
namespace {

std::atomic<long> g_server_locks{0};

// A new stand-in server object, found as the program finds it: by identifier.
std::unique_ptr<ioserver::IoServer> NewServer() {
  ioserver::EmbeddedRuntime runtime;
  ioserver::RegisterStandInServer(runtime);
  return runtime.CreateObject(ioserver::kIoServerProgId);
}

class ClassFactory final : public IClassFactory {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (object == nullptr) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IClassFactory) {
      *object = static_cast<IClassFactory*>(this);
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  // The factory is a static object that lives as long as the module.
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }

  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    try {
      // Holds the creation reference, which QueryInterface's own outlives. Stored straight into
      // the slot: MinGW's ComPtr::Attach takes a reference of its own, where the SDK's does not.
      Microsoft::WRL::ComPtr<StandInDispatch> dispatch;
      *dispatch.GetAddressOf() = new StandInDispatch(NewServer());
      return dispatch->QueryInterface(iid, object);
    } catch (const std::bad_alloc&) {
      return E_OUTOFMEMORY;
    } catch (const std::exception&) {
      return E_FAIL;
    }
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
    if (lock) {
      ++g_server_locks;
    } else {
      --g_server_locks;
    }
    return S_OK;
  }
};

ClassFactory g_factory;

LSTATUS SetValue(const std::wstring& path, const wchar_t* name, const std::wstring& value) {
  rozovevi::win32::UniqueRegistryKey key;
  LSTATUS status = RegCreateKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                                   nullptr, key.Put(), nullptr);
  if (status != ERROR_SUCCESS) return status;
  return RegSetValueExW(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                        static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

std::wstring ModulePath() {
  HMODULE module = nullptr;
  GetModuleHandleExW(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      reinterpret_cast<LPCWSTR>(&g_factory), &module);
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

std::wstring ProgIdKey() { return rozovevi::win32::ToWide(ioserver::kIoServerProgId); }
std::wstring ClassKey() { return std::wstring(L"CLSID\\") + kStandInClassIdText; }

}  // namespace
}  // namespace rozovevi::tests::standin_com

using namespace rozovevi::tests::standin_com;

STDAPI DllGetClassObject(REFCLSID class_id, REFIID iid, LPVOID* object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (class_id != kStandInClassId) return CLASS_E_CLASSNOTAVAILABLE;
  return g_factory.QueryInterface(iid, object);
}

STDAPI DllCanUnloadNow() { return g_live_objects == 0 && g_server_locks == 0 ? S_OK : S_FALSE; }

// Registers the class in HKEY_CLASSES_ROOT. Only the test scripts call this, inside a private Wine
// prefix that is thrown away afterwards. (A per-user registration under HKCU\Software\Classes
// would be kinder on Windows, but Wine's COM looks up classes in the machine's keys only.)
STDAPI DllRegisterServer() {
  const std::wstring prog_id = rozovevi::win32::ToWide(rozovevi::ioserver::kIoServerProgId);
  LSTATUS status = SetValue(ProgIdKey() + L"\\CLSID", nullptr, kStandInClassIdText);
  if (status == ERROR_SUCCESS) status = SetValue(ClassKey(), nullptr, prog_id);
  if (status == ERROR_SUCCESS) status = SetValue(ClassKey() + L"\\ProgID", nullptr, prog_id);
  if (status == ERROR_SUCCESS) {
    status = SetValue(ClassKey() + L"\\InprocServer32", nullptr, ModulePath());
  }
  if (status == ERROR_SUCCESS) {
    status = SetValue(ClassKey() + L"\\InprocServer32", L"ThreadingModel", L"Apartment");
  }
  return HRESULT_FROM_WIN32(status);
}

STDAPI DllUnregisterServer() {
  LSTATUS status = RegDeleteTreeW(HKEY_CLASSES_ROOT, ProgIdKey().c_str());
  const LSTATUS class_status = RegDeleteTreeW(HKEY_CLASSES_ROOT, ClassKey().c_str());
  if (status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND) status = class_status;
  if (status == ERROR_FILE_NOT_FOUND) status = ERROR_SUCCESS;
  return HRESULT_FROM_WIN32(status);
}
