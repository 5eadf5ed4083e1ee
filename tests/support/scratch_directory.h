// A private temporary directory for test and benchmark files, removed with everything in it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace rozovevi::testing {

class ScratchDirectory {
 public:
  // Creates a new empty directory "<prefix>XXXXXX" under the temporary folder with mkdtemp;
  // throws std::system_error when that fails.
  explicit ScratchDirectory(std::string_view prefix = "rozovevi-test-");
  ScratchDirectory(const ScratchDirectory&) = delete;
  ScratchDirectory& operator=(const ScratchDirectory&) = delete;
  ~ScratchDirectory();

  const std::string& path() const noexcept { return path_; }
  // The path of a file called name inside the directory.
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }
  // The names in the directory, sorted; a leftover temporary file shows up here.
  std::vector<std::string> Names() const;

 private:
  std::string path_;
};

}  // namespace rozovevi::testing
