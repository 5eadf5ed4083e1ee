// mkdtemp on creation, a recursive removal on destruction.
#include "bench/scratch_directory.h"

#include <stdlib.h>

#include <cerrno>
#include <filesystem>
#include <system_error>
#include <vector>

namespace rozovevi::bench {

ScratchDirectory::ScratchDirectory() {
  const char* base = std::getenv("TMPDIR");
  std::string pattern =
      std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/rozovevi-bench.XXXXXX";
  std::vector<char> writable(pattern.begin(), pattern.end());
  writable.push_back('\0');
  if (::mkdtemp(writable.data()) == nullptr) {
    throw std::system_error(errno, std::generic_category(), "mkdtemp " + pattern);
  }
  path_ = writable.data();
}

ScratchDirectory::~ScratchDirectory() {
  std::error_code ignored;  // Nothing useful can be done about a failed clean-up at exit.
  std::filesystem::remove_all(path_, ignored);
}

}  // namespace rozovevi::bench
