// POSIX reads and writes with no layers between the call and the kernel.
#include "bench/bare_file_work.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <system_error>

namespace rozovevi::bench {
namespace {

constexpr std::size_t kStackBufferBytes = 4096;
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

std::size_t BareReadFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) Fail("open", path);
  std::array<char, kStackBufferBytes> buffer;
  std::size_t total = 0;
  for (;;) {
    const ssize_t count = ::read(fd, buffer.data(), buffer.size());
    if (count < 0) Fail("read", path);
    if (count == 0) break;
    total += static_cast<std::size_t>(count);
  }
  ::close(fd);
  return total;
}

std::u16string BareReadAndDecode(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) Fail("open", path);
  struct stat status {};
  if (::fstat(fd, &status) != 0) Fail("fstat", path);
  std::string bytes(static_cast<std::size_t>(status.st_size), '\0');
  std::size_t filled = 0;
  while (filled < bytes.size()) {
    const ssize_t count = ::read(fd, bytes.data() + filled, bytes.size() - filled);
    if (count < 0) Fail("read", path);
    if (count == 0) break;
    filled += static_cast<std::size_t>(count);
  }
  ::close(fd);

  std::u16string text(filled, u'\0');  // Never more units than bytes.
  std::size_t length = 0;
  for (std::size_t i = 0; i < filled;) {
    const auto lead = static_cast<unsigned char>(bytes[i]);
    const int extra = lead < 0x80 ? 0 : lead < 0xE0 ? 1 : lead < 0xF0 ? 2 : 3;
    char32_t cp = extra == 0 ? lead : lead & (0x3F >> extra);
    for (int k = 1; k <= extra && i + k < filled; ++k) {
      cp = (cp << 6) | (static_cast<unsigned char>(bytes[i + k]) & 0x3F);
    }
    i += static_cast<std::size_t>(extra) + 1;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      text[length++] = static_cast<char16_t>(0xD800 + (cp >> 10));
      text[length++] = static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    } else {
      text[length++] = static_cast<char16_t>(cp);
    }
  }
  text.resize(length);
  return text;
}

void BareAtomicWrite(const std::string& target, const std::string& temporary_path,
                     std::string_view bytes) {
  const int fd =
      ::open(temporary_path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, kNewFileMode);
  if (fd < 0) Fail("open", temporary_path);
  WriteAll(fd, bytes, temporary_path);
  if (::fsync(fd) != 0) Fail("fsync", temporary_path);
  if (::close(fd) != 0) Fail("close", temporary_path);
  if (::rename(temporary_path.c_str(), target.c_str()) != 0) Fail("rename", temporary_path);
}

void BareDurableAtomicWrite(const std::string& target, const std::string& temporary_path,
                            std::string_view bytes) {
  BareAtomicWrite(target, temporary_path, bytes);
  const std::string directory = target.substr(0, target.rfind('/'));
  const int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) Fail("open", directory);
  if (::fsync(fd) != 0) Fail("fsync", directory);
  ::close(fd);
}

void WriteFileForSetup(const std::string& path, std::string_view bytes) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, kNewFileMode);
  if (fd < 0) Fail("open", path);
  WriteAll(fd, bytes, path);
  if (::close(fd) != 0) Fail("close", path);
}

}  // namespace rozovevi::bench
