// Scratch directories, raw file access and unprivileged child processes for the stand-in tests.
#pragma once

#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

namespace rozovevi::ioserver::standin::testing_support {

// A new empty directory, removed with everything in it at the end of the test.
class ScratchDirectory {
 public:
  ScratchDirectory();
  ScratchDirectory(const ScratchDirectory&) = delete;
  ScratchDirectory& operator=(const ScratchDirectory&) = delete;
  ~ScratchDirectory();

  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }
  // The names in the directory, sorted; a leftover temporary file shows up here.
  std::vector<std::string> Names() const;

 private:
  std::string path_;
};

std::string ReadRaw(const std::string& path);
void WriteRaw(const std::string& path, const std::string& bytes);
mode_t PermissionBits(const std::string& path);
// The UTF-16 address for a file name.
std::u16string Address(const std::string& path);

// Runs body in a forked child and returns whether it returned true. The child ends with _exit,
// so nothing of the test program runs twice.
bool RunInChild(const std::function<bool()>& body);

// Like RunInChild, but the child first gives up root, so that permissions stop it as they stop
// an operator. Directories on the way to the files must be open to others.
bool RunInUnprivilegedChild(const std::function<bool()>& body);

}  // namespace rozovevi::ioserver::standin::testing_support
