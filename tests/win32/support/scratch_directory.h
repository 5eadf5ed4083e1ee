// A private directory for a test's files, and raw access to them.
#pragma once

#include <string>
#include <vector>

namespace rozovevi::tests::support {

// A new empty directory under the temporary folder, removed with its files at the end.
class ScratchDirectory {
 public:
  ScratchDirectory();
  ScratchDirectory(const ScratchDirectory&) = delete;
  ScratchDirectory& operator=(const ScratchDirectory&) = delete;
  ~ScratchDirectory();

  const std::u16string& path() const { return path_; }
  // The full name of a file in the directory.
  std::u16string operator/(std::u16string_view name) const;
  // The names in the directory, sorted; a leftover temporary file shows up here.
  std::vector<std::u16string> Names() const;

 private:
  std::u16string path_;
};

// The bytes of a file, or "<missing>" when it cannot be read.
std::string ReadRaw(const std::u16string& path);
void WriteRaw(const std::u16string& path, const std::string& bytes);

}  // namespace rozovevi::tests::support
