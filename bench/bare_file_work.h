// The bare cost of the work behind a Read or a Write: POSIX calls and a decoder, with nothing of
// the program in between. Each throws std::system_error when a call fails.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace rozovevi::bench {

// A file's bytes in a buffer sized by fstat and never zero-filled, as plain code would hold them.
class FileBuffer {
 public:
  explicit FileBuffer(std::size_t capacity)
      : data_(new char[capacity]), capacity_(capacity) {}  // Default-initialised: no fill.

  char* data() noexcept { return data_.get(); }
  std::size_t capacity() const noexcept { return capacity_; }
  std::string_view view() const noexcept { return std::string_view(data_.get(), size_); }
  void set_size(std::size_t size) noexcept { size_ = size; }

 private:
  std::unique_ptr<char[]> data_;
  std::size_t capacity_;
  std::size_t size_ = 0;
};

// open, fstat, read to the end, close.
FileBuffer BareReadFile(const std::string& path);

// BareReadFile, then the program's own strict UTF-8 decoder: the work of a read with no
// exchange around it.
std::u16string BareReadAndDecode(const std::string& path);

// Writes bytes to temporary_path, flushes it with fsync, renames it over target and flushes the
// directory with fsync, so that the content and the rename both survive a power cut.
void BareDurableAtomicWrite(const std::string& target, const std::string& temporary_path,
                            std::string_view bytes);

// Writes bytes to path directly (no temporary file, no flush), to set up a benchmark's file.
void WriteFileForSetup(const std::string& path, std::string_view bytes);

}  // namespace rozovevi::bench
