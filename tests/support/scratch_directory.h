// A private temporary directory for test and benchmark files, removed with everything in it.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace rozovevi::testing {

// File names as the code under test takes them: bytes on POSIX, UTF-16 on Windows.
#ifdef _WIN32
using PathText = std::u16string;
#else
using PathText = std::string;
#endif

class ScratchDirectory {
 public:
  // Creates a new empty directory "<prefix><random letters>" under the temporary folder; throws
  // std::filesystem::filesystem_error or std::runtime_error when that fails.
  explicit ScratchDirectory(std::string_view prefix = "rozovevi-test-");
  ScratchDirectory(const ScratchDirectory&) = delete;
  ScratchDirectory& operator=(const ScratchDirectory&) = delete;
  ~ScratchDirectory();

  const PathText& path() const noexcept { return path_; }
  // The full name of a file called name inside the directory.
  PathText operator/(const PathText& name) const;
  // The names in the directory, sorted; a leftover temporary file shows up here.
  std::vector<PathText> Names() const;

 private:
  std::filesystem::path directory_;
  PathText path_;
};

}  // namespace rozovevi::testing
