// The new content of a file on its way in: a temporary file beside it, then moved over it.
#pragma once

#include <string>

#include "ioserver/standin/file_access.h"
#include "ioserver/standin/posix_support.h"

namespace rozovevi::ioserver::standin::posix {

// A temporary file in a directory (given as a descriptor, so that a path close to PATH_MAX
// works), made to replace the file called target there. Where the file system allows it the
// file has no name until it is moved into place (O_TMPFILE), so a write killed part-way leaves
// nothing behind. Elsewhere it is named "." + the start of target + "." + 8 random letters and
// digits + kTemporarySuffix from the start (an unnamed one takes such a name for a moment, just
// before it is renamed over the target). Either way it holds an exclusive flock for as long as
// it is open, which tells RemoveStaleTemporaryFiles that its writer is alive. Destroying one
// that has not been moved into place removes it.
class TemporaryFile {
 public:
  TemporaryFile(int directory, std::string target);
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;
  ~TemporaryFile();

  // Creates the file, unnamed unless allow_unnamed is false or the file system cannot.
  Status Create(bool allow_unnamed);
  int fd() const noexcept { return fd_.get(); }
  // Puts the file in place of the target, replacing any file of that name. The file stays open
  // until then, so that its lock holds to the end.
  Status MoveOverTarget();
  // Closes the file (once moved) and reports what close says.
  int Close() noexcept { return fd_.Close(); }

 private:
  Status CreateNamed();
  // Gives the unnamed file a fresh temporary name.
  Status LinkUnderTemporaryName();

  int directory_;
  std::string target_;
  UniqueFd fd_;
  std::string name_;  // The temporary name while the file has one; empty otherwise.
  bool unnamed_ = false;
};

// Removes the temporary files that replacements of target in directory left behind when their
// writer was killed: those of target's naming pattern that nobody holds locked. A live writer's
// file is locked and stays, and so does any file this process may not open or lock. Nothing here
// can make a write fail, so problems are let go: the next write tries again.
void RemoveStaleTemporaryFiles(int directory, const std::string& target);

}  // namespace rozovevi::ioserver::standin::posix
