// ReadFile and WriteFile on whole test files.
#include "tests/win32/support/raw_files.h"

#include <windows.h>

#include <memory>
#include <stdexcept>

#include "win32/win32_text.h"

namespace rozovevi::tests::support {
namespace {

using rozovevi::win32::AsWideCString;

struct FileCloser {
  void operator()(HANDLE file) const { CloseHandle(file); }
};
using UniqueFile = std::unique_ptr<void, FileCloser>;

}  // namespace

std::string ReadRaw(const std::u16string& path) {
  const HANDLE opened = CreateFileW(AsWideCString(path), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
  if (opened == INVALID_HANDLE_VALUE) return "<missing>";
  const UniqueFile file(opened);
  std::string bytes;
  char buffer[4096];
  DWORD count = 0;
  while (ReadFile(file.get(), buffer, sizeof buffer, &count, nullptr) && count > 0) {
    bytes.append(buffer, count);
  }
  return bytes;
}

void WriteRaw(const std::u16string& path, const std::string& bytes) {
  const HANDLE opened = CreateFileW(AsWideCString(path), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
  if (opened == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot create a test file");
  const UniqueFile file(opened);
  DWORD written = 0;
  if (!WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
      written != bytes.size()) {
    throw std::runtime_error("cannot write a test file");
  }
}

}  // namespace rozovevi::tests::support
