// The one owner of Win32 handles: which value is no handle, and that a handle is freed once.
#include "win32/unique_handle.h"

#include <gtest/gtest.h>
#include <string>
#include <utility>

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
    ADD_FAILURE() << "cannot open a " << kind;
    return;
  }
  const auto handle = owner.get();

  Owner moved(std::move(owner));
  EXPECT_FALSE(owner.valid());
  EXPECT_TRUE(moved.get() == handle);

  Owner adopted(moved.Release());
  EXPECT_FALSE(moved.valid());
  EXPECT_TRUE(adopted.get() == handle);
  EXPECT_TRUE(adopted.Close());
  EXPECT_FALSE(adopted.valid());
  EXPECT_FALSE(StillOpen<Owner>(handle));

  Owner assigned(open());
  const auto replaced = assigned.get();
  assigned = Owner();
  EXPECT_FALSE(StillOpen<Owner>(replaced));

  Owner filled(open());
  const auto before_put = filled.get();
  auto* slot = filled.Put();
  EXPECT_FALSE(StillOpen<Owner>(before_put));
  *slot = open();
  EXPECT_TRUE(filled.valid());

  decltype(filled.get()) scoped_handle{};
  {
    Owner scoped(open());
    scoped_handle = scoped.get();
  }
  EXPECT_FALSE(StillOpen<Owner>(scoped_handle));
}

}  // namespace

TEST(UniqueHandle, EachPolicyHasItsOwnNoHandle) {
  const UniqueFile file;
  EXPECT_TRUE(file.get() == INVALID_HANDLE_VALUE);
  EXPECT_FALSE(file.valid());
  const UniqueKernelHandle event;
  EXPECT_TRUE(event.get() == nullptr);
  EXPECT_FALSE(event.valid());

  // A failed CreateFileW is no file; closing no handle frees nothing and succeeds.
  UniqueFile missing(CreateFileW(L"Z:\\no such folder\\no such file", GENERIC_READ, 0, nullptr,
                                 OPEN_EXISTING, 0, nullptr));
  EXPECT_FALSE(missing.valid());
  EXPECT_TRUE(missing.Close());
  EXPECT_TRUE(UniqueKernelHandle().Close());
}

TEST(UniqueHandle, FreesEachKindOfHandleExactlyOnce) {
  ChecksOwnership<UniqueKernelHandle>("event", NewEvent);
  ChecksOwnership<UniqueFile>("file", OpenOwnExe);
  ChecksOwnership<UniqueRegistryKey>("registry key", OpenSoftwareKey);
}
