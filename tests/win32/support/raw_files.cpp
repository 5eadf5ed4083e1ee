// Scratch directories under the Windows temporary folder.
#include "tests/win32/support/scratch_directory.h"

#include <windows.h>

#include <algorithm>
#include <memory>
#include <stdexcept>

#include "ioserver/com/wide_text.h"

namespace rozovevi::tests::support {
namespace {

using ioserver::com::FromWide;
using ioserver::com::ToWide;

struct FileCloser {
  void operator()(HANDLE file) const { CloseHandle(file); }
};
using UniqueFile = std::unique_ptr<void, FileCloser>;

struct SearchCloser {
  void operator()(HANDLE search) const { FindClose(search); }
};
using UniqueSearch = std::unique_ptr<void, SearchCloser>;

// Calls each(name, attributes) for every entry of directory but "." and "..".
template <typename Each>
void ForEachEntry(const std::wstring& directory, Each each) {
  WIN32_FIND_DATAW found{};
  const HANDLE first = FindFirstFileW((directory + L"\\*").c_str(), &found);
  if (first == INVALID_HANDLE_VALUE) return;
  const UniqueSearch search(first);
  do {
    const std::wstring name = found.cFileName;
    if (name != L"." && name != L"..") each(name, found.dwFileAttributes);
  } while (FindNextFileW(search.get(), &found));
}

void RemoveTree(const std::wstring& directory) {
  ForEachEntry(directory, [&](const std::wstring& name, DWORD attributes) {
    const std::wstring full = directory + L"\\" + name;
    SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
      RemoveTree(full);
    } else {
      DeleteFileW(full.c_str());
    }
  });
  RemoveDirectoryW(directory.c_str());
}

}  // namespace

ScratchDirectory::ScratchDirectory() {
  wchar_t temp[MAX_PATH + 1] = {};
  GetTempPathW(MAX_PATH + 1, temp);
  for (unsigned attempt = 0; attempt < 1000; ++attempt) {
    const std::wstring candidate = std::wstring(temp) + L"rozovevi-test-" +
                                   std::to_wstring(GetCurrentProcessId()) + L"-" +
                                   std::to_wstring(GetTickCount() + attempt);
    if (CreateDirectoryW(candidate.c_str(), nullptr)) {
      path_ = FromWide(candidate);
      return;
    }
  }
  throw std::runtime_error("cannot create a scratch directory");
}

ScratchDirectory::~ScratchDirectory() { RemoveTree(ToWide(path_)); }

std::u16string ScratchDirectory::operator/(std::u16string_view name) const {
  return path_ + u"\\" + std::u16string(name);
}

std::vector<std::u16string> ScratchDirectory::Names() const {
  std::vector<std::u16string> names;
  ForEachEntry(ToWide(path_),
               [&](const std::wstring& name, DWORD) { names.push_back(FromWide(name)); });
  std::sort(names.begin(), names.end());
  return names;
}

std::string ReadRaw(const std::u16string& path) {
  const HANDLE opened = CreateFileW(ToWide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
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
  const HANDLE opened = CreateFileW(ToWide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
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
