// The one owner of Win32 handles: which value is no handle, and that a handle is freed once.
#include "win32/unique_handle.h"

#include <string>
#include <utility>

#include "tests/win32/check/check.h"

namespace {

using rozovevi::win32::UniqueFile;
using rozovevi::win32::UniqueKernelHandle;
using rozovevi::win32::UniqueRegistryKey;

HANDLE NewEvent() { return CreateEventW(nullptr, TRUE, FALSE, nullptr); }

HANDLE OpenOwnExe() {
  std::wstring path(MAX_PATH, L'\0');
  path.resize(GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
  return CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                     nullptr);
}

HKEY OpenSoftwareKey() {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, L"Software", 0, KEY_READ, &key) != ERROR_SUCCESS) {
    return nullptr;
  }
  return key;
}

// Whether the system still knows handle: a second owner of a freed handle cannot close it. No
// handle is made between the free and this check, so the value cannot have been given out again.
template <typename Owner, typename Handle>
bool StillOpen(Handle handle) {
  return Owner(handle).Close();
}

// Walks one kind of handle through every way an owner gives it up, checking after each that it
// was freed exactly when it should have been. Close's answer is the close function's own, read
// as a BOOL or as a status as that function returns it.
template <typename Owner, typename Open>
void ChecksOwnership(const char* kind, Open open) {
  Owner owner(open());
  if (!owner.valid()) {
    rozovevi::tests::check::Fail(__FILE__, __LINE__, std::string("cannot open a ") + kind, false);
    return;
  }
  const auto handle = owner.get();

  Owner moved(std::move(owner));
  CHECK(!owner.valid());
  CHECK(moved.get() == handle);

  Owner adopted(moved.Release());
  CHECK(!moved.valid());
  CHECK(adopted.get() == handle);
  CHECK(adopted.Close());
  CHECK(!adopted.valid());
  CHECK(!StillOpen<Owner>(handle));

  Owner assigned(open());
  const auto replaced = assigned.get();
  assigned = Owner();
  CHECK(!StillOpen<Owner>(replaced));

  Owner filled(open());
  const auto before_put = filled.get();
  auto* slot = filled.Put();
  CHECK(!StillOpen<Owner>(before_put));
  *slot = open();
  CHECK(filled.valid());

  decltype(filled.get()) scoped_handle{};
  {
    Owner scoped(open());
    scoped_handle = scoped.get();
  }
  CHECK(!StillOpen<Owner>(scoped_handle));
}

}  // namespace

TEST(UniqueHandle, EachPolicyHasItsOwnNoHandle) {
  const UniqueFile file;
  CHECK(file.get() == INVALID_HANDLE_VALUE);
  CHECK(!file.valid());
  const UniqueKernelHandle event;
  CHECK(event.get() == nullptr);
  CHECK(!event.valid());

  // A failed CreateFileW is no file; closing no handle frees nothing and succeeds.
  UniqueFile missing(CreateFileW(L"Z:\\no such folder\\no such file", GENERIC_READ, 0, nullptr,
                                 OPEN_EXISTING, 0, nullptr));
  CHECK(!missing.valid());
  CHECK(missing.Close());
  CHECK(UniqueKernelHandle().Close());
}

TEST(UniqueHandle, FreesEachKindOfHandleExactlyOnce) {
  ChecksOwnership<UniqueKernelHandle>("event", NewEvent);
  ChecksOwnership<UniqueFile>("file", OpenOwnExe);
  ChecksOwnership<UniqueRegistryKey>("registry key", OpenSoftwareKey);
}
