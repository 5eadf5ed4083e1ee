// A private temporary directory for the benchmark's files, removed with everything in it.
#pragma once

#include <string>

namespace rozovevi::bench {

class ScratchDirectory {
 public:
  // Creates a new directory under $TMPDIR (or /tmp) with mkdtemp; throws std::system_error when
  // that fails.
  ScratchDirectory();
  ScratchDirectory(const ScratchDirectory&) = delete;
  ScratchDirectory& operator=(const ScratchDirectory&) = delete;
  ~ScratchDirectory();

  const std::string& path() const noexcept { return path_; }
  // The path of a file called name inside the directory.
  std::string FilePath(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

}  // namespace rozovevi::bench
