// ReadFile and WriteFile on whole test files.
#include "tests/win32/support/raw_files.h"

#include <windows.h>

#include <stdexcept>

#include "win32/unique_handle.h"
#include "win32/win32_text.h"

namespace rozovevi::tests::support {
namespace {

using rozovevi::win32::AsWideCString;
using rozovevi::win32::UniqueFile;

}  // namespace

std::string ReadRaw(const std::u16string& path) {
  const UniqueFile file(CreateFileW(AsWideCString(path), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, 0, nullptr));
  if (!file.valid()) return "<missing>";
  std::string bytes;
  char buffer[4096];
  DWORD count = 0;
  while (ReadFile(file.get(), buffer, sizeof buffer, &count, nullptr) && count > 0) {
    bytes.append(buffer, count);
  }
  return bytes;
}

void WriteRaw(const std::u16string& path, const std::string& bytes) {
  const UniqueFile file(CreateFileW(AsWideCString(path), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) throw std::runtime_error("cannot create a test file");
  DWORD written = 0;
  if (!WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
      written != bytes.size()) {
    throw std::runtime_error("cannot write a test file");
  }
}

}  // namespace rozovevi::tests::support
