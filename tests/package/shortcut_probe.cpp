// A Windows probe for the package test: it opens a shortcut (.lnk) as the shell does, prints
// where it points, and unless told --resolve-only starts that program the way the shortcut does
// (its working directory) and waits, as the Windows tests do, for the visible ROZoveVI window of
// that process, then closes the window and waits for the program to end.
//
//   shortcut_probe [--resolve-only] LINK
//
// Prints "target: ...", "working directory: ...", "icon: ...,N", then "window shown: ROZoveVI
// WxH" and "exit code: N". Exit status 0 when everything asked for happened, 1 when
// not (with a line saying what), 2 on a usage error.
#include <objbase.h>
#include <shlobj.h>
#include <windows.h>

#include <cstdio>
#include <string>
#include <utility>

namespace {

constexpr wchar_t kWindowClass[] = L"frmROZoveVI";
constexpr wchar_t kWindowTitle[] = L"ROZoveVI";
constexpr int kWindowPolls = 400;
constexpr DWORD kPollMilliseconds = 50;
constexpr DWORD kExitLimitMilliseconds = 10000;
constexpr int kDone = 0;
constexpr int kFailed = 1;
constexpr int kUsage = 2;

// Owns one COM initialisation of this thread.
class ComInitialisation {
 public:
  ComInitialisation() : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
  ComInitialisation(const ComInitialisation&) = delete;
  ComInitialisation& operator=(const ComInitialisation&) = delete;
  ~ComInitialisation() {
    if (SUCCEEDED(result_)) CoUninitialize();
  }
  HRESULT result() const { return result_; }

 private:
  HRESULT result_;
};

// Owns one reference to a COM interface.
template <typename Interface>
class ComPointer {
 public:
  ComPointer() = default;
  ComPointer(const ComPointer&) = delete;
  ComPointer& operator=(const ComPointer&) = delete;
  ~ComPointer() {
    if (pointer_ != nullptr) pointer_->Release();
  }
  Interface* get() const { return pointer_; }
  Interface** put() { return &pointer_; }
  Interface* operator->() const { return pointer_; }

 private:
  Interface* pointer_ = nullptr;
};

// Owns the handles of a started process; ends it if it still runs.
struct StartedProcess {
  PROCESS_INFORMATION info{};
  StartedProcess() = default;
  StartedProcess(const StartedProcess&) = delete;
  StartedProcess& operator=(const StartedProcess&) = delete;
  ~StartedProcess() {
    if (info.hProcess != nullptr) {
      if (WaitForSingleObject(info.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(info.hProcess, 1);
      CloseHandle(info.hProcess);
    }
    if (info.hThread != nullptr) CloseHandle(info.hThread);
  }
};

struct Shortcut {
  std::wstring target;
  std::wstring working_directory;
  std::wstring icon;
  int icon_index = 0;
};

int Fail(const char* what, HRESULT result) {
  std::printf("%s failed: 0x%08lx\n", what, static_cast<unsigned long>(result));
  return kFailed;
}

std::string Utf8(const std::wstring& text) {
  if (text.empty()) return {};
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                       nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), utf8.data(), size,
                      nullptr, nullptr);
  return utf8;
}

// Reads a shortcut through the shell's own link object; returns kDone or kFailed.
int Resolve(const wchar_t* link, Shortcut& shortcut) {
  ComPointer<IShellLinkW> shell_link;
  HRESULT result = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                    reinterpret_cast<void**>(shell_link.put()));
  if (FAILED(result)) return Fail("creating the shell link object", result);
  ComPointer<IPersistFile> file;
  result = shell_link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(file.put()));
  if (FAILED(result)) return Fail("asking for IPersistFile", result);
  result = file->Load(link, STGM_READ);
  if (FAILED(result)) return Fail("loading the shortcut", result);

  wchar_t text[MAX_PATH + 1] = {};
  result = shell_link->GetPath(text, MAX_PATH, nullptr, SLGP_RAWPATH);
  if (FAILED(result)) return Fail("reading the target", result);
  shortcut.target = text;
  text[0] = L'\0';
  result = shell_link->GetWorkingDirectory(text, MAX_PATH);
  if (FAILED(result)) return Fail("reading the working directory", result);
  shortcut.working_directory = text;
  text[0] = L'\0';
  result = shell_link->GetIconLocation(text, MAX_PATH, &shortcut.icon_index);
  if (FAILED(result)) return Fail("reading the icon location", result);
  shortcut.icon = text;
  return kDone;
}

HWND WaitForWindow(DWORD process_id) {
  for (int poll = 0; poll < kWindowPolls; ++poll) {
    HWND window = FindWindowW(kWindowClass, kWindowTitle);
    DWORD owner = 0;
    if (window != nullptr) GetWindowThreadProcessId(window, &owner);
    if (window != nullptr && owner == process_id && IsWindowVisible(window)) return window;
    Sleep(kPollMilliseconds);
  }
  return nullptr;
}

// Starts the shortcut's program in its working directory and checks its window.
int StartAndClose(const Shortcut& shortcut) {
  std::wstring command = L"\"" + shortcut.target + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  StartedProcess process;
  if (!CreateProcessW(
          nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
          shortcut.working_directory.empty() ? nullptr : shortcut.working_directory.c_str(),
          &startup, &process.info)) {
    std::printf("cannot start the target: error %lu\n", GetLastError());
    return kFailed;
  }
  HWND window = WaitForWindow(process.info.dwProcessId);
  if (window == nullptr) {
    std::printf("no visible %s window of the started program\n", Utf8(kWindowTitle).c_str());
    return kFailed;
  }
  RECT frame{};
  GetWindowRect(window, &frame);
  std::printf("window shown: %s %ldx%ld\n", Utf8(kWindowTitle).c_str(), frame.right - frame.left,
              frame.bottom - frame.top);
  PostMessageW(window, WM_CLOSE, 0, 0);
  if (WaitForSingleObject(process.info.hProcess, kExitLimitMilliseconds) != WAIT_OBJECT_0) {
    std::printf("the program did not end within %lu ms of closing its window\n",
                kExitLimitMilliseconds);
    return kFailed;
  }
  DWORD exit_code = 1;
  GetExitCodeProcess(process.info.hProcess, &exit_code);
  std::printf("exit code: %lu\n", exit_code);
  return exit_code == 0 ? kDone : kFailed;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  bool resolve_only = false;
  int next = 1;
  if (next < argc && std::wstring(argv[next]) == L"--resolve-only") {
    resolve_only = true;
    ++next;
  }
  if (next + 1 != argc) {
    std::printf("usage: shortcut_probe [--resolve-only] LINK\n");
    return kUsage;
  }
  ComInitialisation com;
  if (FAILED(com.result())) return Fail("initialising COM", com.result());
  Shortcut shortcut;
  if (Resolve(argv[next], shortcut) != kDone) return kFailed;
  std::printf("target: %s\nworking directory: %s\nicon: %s,%d\n", Utf8(shortcut.target).c_str(),
              Utf8(shortcut.working_directory).c_str(), Utf8(shortcut.icon).c_str(),
              shortcut.icon_index);
  std::fflush(stdout);
  if (resolve_only) return kDone;
  const int status = StartAndClose(shortcut);
  std::fflush(stdout);
  return status;
}
