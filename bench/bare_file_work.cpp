// POSIX reads and writes with no layers between the call and the kernel.
#include "bench/bare_file_work.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <optional>
#include <stdexcept>
#include <system_error>
#include <utility>

#include "ioserver/utf8.h"

namespace rozovevi::bench {
namespace {

constexpr mode_t kNewFileMode = 0644;

[[noreturn]] void Fail(const char* what, const std::string& path) {
  throw std::system_error(errno, std::generic_category(), std::string(what) + " " + path);
}

void WriteAll(int fd, std::string_view bytes, const std::string& path) {
  while (!bytes.empty()) {
    const ssize_t count = ::write(fd, bytes.data(), bytes.size());
    if (count <= 0) Fail("write", path);
    bytes.remove_prefix(static_cast<std::size_t>(count));
  }
}

}  // namespace

FileBuffer BareReadFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) Fail("open", path);
  struct stat status {};
  if (::fstat(fd, &status) != 0) Fail("fstat", path);
  FileBuffer buffer(static_cast<std::size_t>(status.st_size));
  std::size_t filled = 0;
  while (filled < buffer.capacity()) {
    const ssize_t count = ::read(fd, buffer.data() + filled, buffer.capacity() - filled);
    if (count < 0) Fail("read", path);
    if (count == 0) break;
    filled += static_cast<std::size_t>(count);
  }
  ::close(fd);
  buffer.set_size(filled);
  return buffer;
}

std::u16string BareReadAndDecode(const std::string& path) {
  const FileBuffer buffer = BareReadFile(path);
  std::optional<std::u16string> text = ioserver::DecodeUtf8(buffer.view());
  if (!text) throw std::runtime_error("not UTF-8: " + path);
  return *std::move(text);
}

void BareDurableAtomicWrite(const std::string& target, const std::string& temporary_path,
                            std::string_view bytes) {
  const int fd =
      ::open(temporary_path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, kNewFileMode);
  if (fd < 0) Fail("open", temporary_path);
  WriteAll(fd, bytes, temporary_path);
  if (::fsync(fd) != 0) Fail("fsync", temporary_path);
  if (::close(fd) != 0) Fail("close", temporary_path);
  if (::rename(temporary_path.c_str(), target.c_str()) != 0) Fail("rename", temporary_path);
  const std::string directory = target.substr(0, target.rfind('/'));
  const int directory_fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (directory_fd < 0) Fail("open", directory);
  if (::fsync(directory_fd) != 0) Fail("fsync", directory);
  ::close(directory_fd);
}

void WriteFileForSetup(const std::string& path, std::string_view bytes) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, kNewFileMode);
  if (fd < 0) Fail("open", path);
  WriteAll(fd, bytes, path);
  if (::close(fd) != 0) Fail("close", path);
}

}  // namespace rozovevi::bench
