// One move-only owner for every kind of Win32 handle, told by a policy which value means "none".
#pragma once

#include <windows.h>

#include <type_traits>
#include <utility>

namespace rozovevi::win32 {

// Invalid-value policies: the value an owner holds when it holds nothing, and never frees.

// Most handles are null when there is none: GDI objects, windows, modules, registry keys,
// processes, threads and pipes.
template <typename Handle>
struct NullHandle {
  static constexpr Handle Value() noexcept { return nullptr; }
};

// CreateFileW returns INVALID_HANDLE_VALUE, not null, when it fails.
struct InvalidHandleValue {
  static HANDLE Value() noexcept { return INVALID_HANDLE_VALUE; }
};

namespace detail {

// BOOL and LSTATUS tell success apart differently, so they must stay different types.
static_assert(!std::is_same_v<BOOL, LSTATUS>, "BOOL and LSTATUS are distinct types");

// Frees handle with kFree and says whether the system reported success: a BOOL (CloseHandle,
// DeleteObject, ...), a status (RegCloseKey) or nothing at all (SysFreeString).
template <auto kFree, typename Handle>
bool Free(Handle handle) noexcept {
  using Result = decltype(kFree(handle));
  if constexpr (std::is_void_v<Result>) {
    kFree(handle);
    return true;
  } else if constexpr (std::is_same_v<Result, LSTATUS>) {
    return kFree(handle) == ERROR_SUCCESS;
  } else {
    return kFree(handle) != FALSE;
  }
}

}  // namespace detail

// Owns one handle and frees it with the Win32 function kFree (CloseHandle, DeleteObject,
// RegCloseKey, ...) when it goes. Invalid says which value is no handle at all.
template <typename Handle, auto kFree, typename Invalid = NullHandle<Handle>>
class UniqueHandle {
 public:
  UniqueHandle() noexcept = default;
  explicit UniqueHandle(Handle handle) noexcept : handle_(handle) {}
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.Release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }
  ~UniqueHandle() { Reset(); }

  Handle get() const noexcept { return handle_; }
  bool valid() const noexcept { return handle_ != Invalid::Value(); }

  // Frees what is held, then owns handle.
  void Reset(Handle handle = Invalid::Value()) noexcept {
    // The member changes before the old handle is freed, so that messages sent while a window is
    // destroyed find no window.
    const Handle old = std::exchange(handle_, handle);
    if (old != Invalid::Value()) static_cast<void>(detail::Free<kFree>(old));
  }

  // Frees what is held now and says whether freeing succeeded; holding nothing counts as success.
  // Closing a file is where some file systems report a write that failed.
  bool Close() noexcept {
    const Handle old = Release();
    return old == Invalid::Value() || detail::Free<kFree>(old);
  }

  // Gives the handle up without freeing it: to a new owner, or because the system freed it.
  Handle Release() noexcept { return std::exchange(handle_, Invalid::Value()); }

  // Frees what is held and returns the slot an out-parameter fills with a new handle.
  Handle* Put() noexcept {
    Reset();
    return &handle_;
  }

 private:
  Handle handle_ = Invalid::Value();
};

// Kernel objects: processes, threads, pipes.
using UniqueKernelHandle = UniqueHandle<HANDLE, CloseHandle>;
// Files and devices from CreateFileW.
using UniqueFile = UniqueHandle<HANDLE, CloseHandle, InvalidHandleValue>;
using UniqueRegistryKey = UniqueHandle<HKEY, RegCloseKey>;
using UniqueModule = UniqueHandle<HMODULE, FreeLibrary>;

}  // namespace rozovevi::win32
