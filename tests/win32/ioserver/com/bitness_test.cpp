// The tests of each build run in-process with a server and a program of their own bitness: the
// registration view, the machine types and values crossing COM at their full width.
#include <windows.h>
// After windows.h, which it needs.
#include <imagehlp.h>

#include <gtest/gtest.h>
#include <cstdint>
#include <string>

#include "ioserver/automation_value.h"
#include "ioserver/com/com_runtime.h"
#include "tests/support/scratch_directory.h"
#include "tests/win32/standin_com/standin_class_id.h"
#include "tests/win32/support/test_options.h"
#include "win32/unique_handle.h"
#include "win32/win32_text.h"

namespace {

using rozovevi::ioserver::AutomationValue;
using rozovevi::ioserver::kIoServerProgId;
using rozovevi::ioserver::com::ComRuntime;
using rozovevi::testing::ScratchDirectory;
using rozovevi::tests::standin_com::kStandInClassIdText;
using rozovevi::win32::FromWide;
using rozovevi::win32::ToWide;
using rozovevi::win32::UniqueRegistryKey;

constexpr bool kThisIs64Bit = sizeof(void*) == 8;
constexpr WORD kThisMachine = kThisIs64Bit ? IMAGE_FILE_MACHINE_AMD64 : IMAGE_FILE_MACHINE_I386;

// The machine field of a PE file's header, as ImageHlp reads it, or 0 when the file is not one.
// ImageHlp takes ANSI paths: a path the code page cannot spell also gives 0.
WORD PeMachine(const std::u16string& path) {
  const std::wstring wide = ToWide(path);
  BOOL lossy = FALSE;
  const int size = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.c_str(), -1, nullptr, 0,
                                       nullptr, &lossy);
  if (size == 0 || lossy) return 0;
  std::string ansi(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.c_str(), -1, ansi.data(), size, nullptr,
                      nullptr);
  LOADED_IMAGE image{};
  if (!MapAndLoad(ansi.c_str(), nullptr, &image, FALSE, TRUE)) return 0;
  const WORD machine = image.FileHeader->FileHeader.Machine;
  UnMapAndLoad(&image);
  return machine;
}

// Whether this is a 64-bit Windows, where the registry has a 32-bit and a 64-bit view.
bool HasTwoRegistryViews() {
  if (kThisIs64Bit) return true;
  BOOL wow64 = FALSE;
  return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

// The server file registered for the stand-in class in one registry view, or empty.
std::u16string RegisteredServer(REGSAM view) {
  const std::wstring key = std::wstring(L"CLSID\\") + kStandInClassIdText + L"\\InprocServer32";
  UniqueRegistryKey opened;
  if (RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_QUERY_VALUE | view, opened.Put()) !=
      ERROR_SUCCESS) {
    return std::u16string();
  }
  std::wstring path(MAX_PATH * 4, L'\0');
  DWORD size = static_cast<DWORD>(path.size() * sizeof(wchar_t));
  const LSTATUS status = RegQueryValueExW(opened.get(), nullptr, nullptr, nullptr,
                                          reinterpret_cast<BYTE*>(path.data()), &size);
  if (status != ERROR_SUCCESS) return std::u16string();
  path.resize(size / sizeof(wchar_t));
  while (!path.empty() && path.back() == L'\0') path.pop_back();
  return FromWide(path);
}

}  // namespace

TEST(Bitness, ProgramUnderTestIsOfTheTestsOwnMachine) {
  const std::string option = rozovevi::tests::support::TestOption("exe");
  ASSERT_TRUE(!option.empty());
  EXPECT_EQ(kThisMachine, PeMachine(std::u16string(option.begin(), option.end())));
}

TEST(Bitness, StandInIsRegisteredInTheViewOfItsOwnBitnessOnly) {
  const REGSAM own_view = kThisIs64Bit ? KEY_WOW64_64KEY : KEY_WOW64_32KEY;
  const REGSAM other_view = kThisIs64Bit ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;
  const std::u16string server = RegisteredServer(own_view);
  ASSERT_TRUE(!server.empty());
  EXPECT_EQ(kThisMachine, PeMachine(server));
  // A server registered in the other view would be one this program cannot load.
  if (HasTwoRegistryViews()) {
    EXPECT_TRUE(RegisteredServer(other_view).empty());
  }
}

TEST(Bitness, LongValuesCrossBothWaysUnchangedAndInOrder) {
  // Longer than 16 bits can count, with characters that need every bit of a UTF-16 unit and
  // pairs of them: a length or a pointer cut to the wrong width would garble or truncate it.
  std::u16string value;
  const std::u16string piece = u"\u00e9\u4e2d\U0001F600\uFFFDz";
  while (value.size() < 70000) value += piece;
  ScratchDirectory directory;
  const std::u16string file = directory / u"wide.txt";
  ComRuntime runtime;
  {
    auto server = runtime.CreateObject(kIoServerProgId);
    server->Silent(AutomationValue::Boolean(true));
    // Address first, value second: swapped, the value would be taken for a file name.
    server->WriteOutputFile(AutomationValue::String(file), AutomationValue::String(value));
    EXPECT_TRUE(server->Success() == AutomationValue::Boolean(true));
  }
  auto server = runtime.CreateObject(kIoServerProgId);
  server->Silent(AutomationValue::Boolean(true));
  const AutomationValue read = server->ReadInputFile(AutomationValue::String(file));
  EXPECT_TRUE(server->Success() == AutomationValue::Boolean(true));
  ASSERT_TRUE(read.kind() == rozovevi::ioserver::ValueKind::kString);
  EXPECT_EQ(value.size(), read.string().size());
  EXPECT_TRUE(read.string() == value);
}
