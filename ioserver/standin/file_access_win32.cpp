// Windows file access for the stand-in server: bounded whole-file reads and all-or-nothing
// replacement.
#include <windows.h>

#include <algorithm>
#include <random>
#include <string>
#include <utility>

#include "ioserver/standin/file_access.h"
#include "ioserver/utf8.h"
#include "win32/system_error.h"
#include "win32/unique_handle.h"
#include "win32/win32_text.h"

namespace rozovevi::ioserver::standin {
namespace {

using win32::UniqueFile;

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
constexpr DWORD kReadChunk = 64 * 1024;
constexpr std::size_t kTempStemUnits = 32;
constexpr std::size_t kTempRandomChars = 8;
constexpr int kTempNameAttempts = 100;

Status Succeeded() { return Status::Ok(); }

Status Failed(std::string what) { return Status::Failure(std::move(what)); }

// A Win32 error as a reason: what failed, then the system's message for error.
Status Failed(const std::string& what, DWORD error) {
  const std::u16string message = win32::SystemMessage(error);
  if (message.empty()) return Failed(what + ": system error " + std::to_string(error));
  return Failed(what + ": " + EncodeUtf8Lossy(message));
}

// The file name for path, exactly as typed; a NUL would silently cut it short, so it is refused.
Status ToFileName(std::u16string_view path, std::wstring& name) {
  if (path.empty()) return Failed("no file name was given");
  if (path.find(u'\0') != std::u16string_view::npos) {
    return Failed("the file name holds a NUL character");
  }
  name = win32::ToWide(path);
  return Succeeded();
}

bool IsDirectory(const std::wstring& name) {
  const DWORD attributes = GetFileAttributesW(name.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::size_t LastSeparator(const std::wstring& name) { return name.find_last_of(L"\\/:"); }

// The directory part of a file name, with its separator; empty for a bare name.
std::wstring DirectoryOf(const std::wstring& name) {
  const std::size_t separator = LastSeparator(name);
  return separator == std::wstring::npos ? std::wstring() : name.substr(0, separator + 1);
}

std::wstring BaseNameOf(const std::wstring& name) {
  const std::size_t separator = LastSeparator(name);
  return separator == std::wstring::npos ? name : name.substr(separator + 1);
}

// A symbolic link is written through: the name of the file it finally points at. Anything else,
// including a name that does not exist yet, is its own target.
Status ResolveLinks(const std::wstring& name, std::wstring& target) {
  target = name;
  const DWORD attributes = GetFileAttributesW(name.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
    return Succeeded();
  }
  const UniqueFile link(CreateFileW(name.c_str(), 0, kShareAll, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!link.valid()) return Failed("cannot follow the symbolic link", GetLastError());
  std::wstring final_name(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetFinalPathNameByHandleW(
        link.get(), final_name.data(), static_cast<DWORD>(final_name.size()), FILE_NAME_NORMALIZED);
    if (length == 0) return Failed("cannot follow the symbolic link", GetLastError());
    if (length < final_name.size()) {
      final_name.resize(length);
      break;
    }
    final_name.resize(length);  // Too small: length is the room needed.
  }
  target = std::move(final_name);
  return Succeeded();
}

// Writes all of bytes, going on after short writes.
Status WriteAll(HANDLE file, std::string_view bytes, const char* what) {
  while (!bytes.empty()) {
    const DWORD chunk = bytes.size() > MAXDWORD ? MAXDWORD : static_cast<DWORD>(bytes.size());
    DWORD written = 0;
    if (!WriteFile(file, bytes.data(), chunk, &written, nullptr)) {
      return Failed(what, GetLastError());
    }
    if (written == 0) return Failed(what, ERROR_WRITE_FAULT);  // No progress: never spin.
    bytes.remove_prefix(written);
  }
  return Succeeded();
}

// A temporary file next to the target, deleted again unless it has been moved into place.
class TemporaryFile {
 public:
  TemporaryFile() = default;
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;
  ~TemporaryFile() {
    file_.Close();
    if (!path_.empty() && !kept_) DeleteFileW(path_.c_str());
  }

  // Creates a file of a name nobody else has (CREATE_NEW) in directory, named after the target
  // so that a leftover from a crash says where it belongs.
  Status Create(const std::wstring& directory, const std::wstring& target_base) {
    static constexpr std::wstring_view kNameChars =
        L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    thread_local std::mt19937 random{std::random_device{}()};
    std::uniform_int_distribution<std::size_t> pick(0, kNameChars.size() - 1);

    std::size_t stem_length = (std::min)(target_base.size(), kTempStemUnits);
    // Cut between surrogate pairs, not inside one.
    if (stem_length > 0 && stem_length < target_base.size() &&
        IS_HIGH_SURROGATE(target_base[stem_length - 1])) {
      --stem_length;
    }
    const std::wstring prefix = directory + L"." + target_base.substr(0, stem_length) + L".";
    DWORD error = ERROR_FILE_EXISTS;
    for (int attempt = 0; attempt < kTempNameAttempts && error == ERROR_FILE_EXISTS; ++attempt) {
      std::wstring candidate = prefix;
      for (std::size_t i = 0; i < kTempRandomChars; ++i)
        candidate.push_back(kNameChars[pick(random)]);
      candidate += L".tmp";
      file_ = UniqueFile(CreateFileW(candidate.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
      if (file_.valid()) {
        path_ = std::move(candidate);
        return Succeeded();
      }
      error = GetLastError();
    }
    return Failed("cannot create a temporary file next to the file", error);
  }

  HANDLE handle() const noexcept { return file_.get(); }
  const std::wstring& path() const noexcept { return path_; }
  bool Close() noexcept { return file_.Close(); }
  void Keep() noexcept { kept_ = true; }

 private:
  UniqueFile file_;
  std::wstring path_;
  bool kept_ = false;
};

// Replaces the file target (or creates it) with a flushed temporary file. An existing file is
// replaced with ReplaceFileW, which keeps its attributes and access rights; a new one is moved
// into place.
Status ReplaceAtomically(const std::wstring& target, std::string_view bytes, bool exists) {
  TemporaryFile temporary;
  Status outcome = temporary.Create(DirectoryOf(target), BaseNameOf(target));
  if (!outcome.ok()) return outcome;
  outcome = WriteAll(temporary.handle(), bytes, "cannot write the temporary file");
  if (!outcome.ok()) return outcome;
  if (!FlushFileBuffers(temporary.handle())) {
    return Failed("cannot flush the temporary file", GetLastError());
  }
  if (!temporary.Close()) return Failed("cannot close the temporary file", GetLastError());
  const BOOL moved = exists ? ReplaceFileW(target.c_str(), temporary.path().c_str(), nullptr,
                                           REPLACEFILE_WRITE_THROUGH, nullptr, nullptr)
                            : MoveFileExW(temporary.path().c_str(), target.c_str(),
                                          MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
  if (!moved) return Failed("cannot move the temporary file over the file", GetLastError());
  temporary.Keep();
  return Succeeded();
}

// Writes to an existing device or pipe as it is, without creating or truncating it.
Status WriteDirectly(UniqueFile file, std::string_view bytes) {
  Status outcome = WriteAll(file.get(), bytes, "cannot write to the device");
  if (!outcome.ok()) return outcome;
  // Pipes and character devices may not support flushing; their data has been handed over.
  if (!FlushFileBuffers(file.get()) && GetLastError() != ERROR_INVALID_FUNCTION &&
      GetLastError() != ERROR_INVALID_HANDLE) {
    return Failed("cannot flush the device", GetLastError());
  }
  if (!file.Close()) return Failed("cannot close the device", GetLastError());
  return Succeeded();
}

// Reads to the end of the file, and fails as soon as it holds more than kMaxValueBytes.
Status ReadToEnd(HANDLE file, std::string& bytes) {
  LARGE_INTEGER size{};
  if (GetFileSizeEx(file, &size) && size.QuadPart > 0) {
    if (static_cast<unsigned long long>(size.QuadPart) > kMaxValueBytes) {
      return TooLargeForAValue("the file");
    }
    bytes.reserve(static_cast<std::size_t>(size.QuadPart) + kReadChunk);
  }
  std::size_t filled = 0;
  for (;;) {
    bytes.resize(filled + kReadChunk);
    DWORD count = 0;
    if (!ReadFile(file, bytes.data() + filled, kReadChunk, &count, nullptr)) {
      return Failed("cannot read the file", GetLastError());
    }
    if (count == 0) break;
    filled += count;
    if (filled > kMaxValueBytes) return TooLargeForAValue("the file");
  }
  bytes.resize(filled);
  return Succeeded();
}

}  // namespace

Status ReadFileBytes(std::u16string_view path, std::string& bytes) {
  bytes.clear();
  std::wstring name;
  if (Status named = ToFileName(path, name); !named.ok()) return named;
  if (IsDirectory(name)) return Failed("it is a directory, not a file");
  const UniqueFile file(CreateFileW(name.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
  Status outcome;
  if (!file.valid()) {
    outcome = Failed("cannot open the file", GetLastError());
  } else if (GetFileType(file.get()) != FILE_TYPE_DISK) {
    outcome = Failed("it is not a regular file, so it has no value to read as a whole");
  } else {
    outcome = ReadToEnd(file.get(), bytes);
  }
  if (!outcome.ok()) bytes.clear();
  return outcome;
}

Status ReplaceFileContents(std::u16string_view path, std::string_view bytes) {
  if (bytes.size() > kMaxValueBytes) return TooLargeForAValue("the value");
  std::wstring name;
  Status outcome = ToFileName(path, name);
  if (!outcome.ok()) return outcome;
  std::wstring target;
  outcome = ResolveLinks(name, target);
  if (!outcome.ok()) return outcome;
  if (IsDirectory(target)) return Failed("it is a directory, not a file");

  // Opening the target for writing, as a direct write would, tells whether it may be written at
  // all and what it is.
  UniqueFile existing(CreateFileW(target.c_str(), GENERIC_WRITE, kShareAll, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!existing.valid()) {
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND) return ReplaceAtomically(target, bytes, false);
    return Failed("cannot open the file for writing", error);
  }
  if (GetFileType(existing.get()) == FILE_TYPE_DISK) {
    existing.Close();
    return ReplaceAtomically(target, bytes, true);
  }
  return WriteDirectly(std::move(existing), bytes);
}

}  // namespace rozovevi::ioserver::standin
