// ROZoveVI.exe as an operator starts it: it shows its window and ends when the window closes.
#include <windows.h>

#include <gtest/gtest.h>
#include <string>

#include "tests/win32/support/test_options.h"
#include "win32/unique_handle.h"

namespace {

using rozovevi::win32::UniqueKernelHandle;

// A started process, ended when the test leaves it running.
struct StartedProcess {
  PROCESS_INFORMATION info{};
  StartedProcess() = default;
  StartedProcess(const StartedProcess&) = delete;
  StartedProcess& operator=(const StartedProcess&) = delete;
  ~StartedProcess() {
    const UniqueKernelHandle process(info.hProcess);
    const UniqueKernelHandle thread(info.hThread);
    if (process.valid() && WaitForSingleObject(process.get(), 0) == WAIT_TIMEOUT) {
      TerminateProcess(process.get(), 1);
    }
  }
};

HWND WaitForWindow(DWORD process_id) {
  for (int attempt = 0; attempt < 200; ++attempt) {
    HWND window = FindWindowW(L"frmROZoveVI", L"ROZoveVI");
    DWORD owner = 0;
    if (window != nullptr) GetWindowThreadProcessId(window, &owner);
    if (window != nullptr && owner == process_id && IsWindowVisible(window)) return window;
    Sleep(50);
  }
  return nullptr;
}

}  // namespace

TEST(Program, ShowsItsWindowAndEndsWhenItIsClosed) {
  const std::string option = rozovevi::tests::support::TestOption("exe");
  ASSERT_TRUE(!option.empty());
  std::wstring command = L"\"" + std::wstring(option.begin(), option.end()) + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  StartedProcess process;
  ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                             &startup, &process.info));
  HWND window = WaitForWindow(process.info.dwProcessId);
  ASSERT_TRUE(window != nullptr);
  EXPECT_TRUE(IsWindowEnabled(window));

  PostMessageW(window, WM_CLOSE, 0, 0);
  ASSERT_TRUE(WaitForSingleObject(process.info.hProcess, 10000) == WAIT_OBJECT_0);
  DWORD exit_code = 1;
  GetExitCodeProcess(process.info.hProcess, &exit_code);
  EXPECT_EQ(0u, static_cast<unsigned>(exit_code));
}
