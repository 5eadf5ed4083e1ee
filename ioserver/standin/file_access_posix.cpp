// POSIX file access for the stand-in server: bounded whole-file reads, all-or-nothing
// replacement and bounded writes to pipes and devices.
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <time.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>
#include <optional>
#include <string>
#include <utility>

#include "ioserver/standin/file_access.h"
#include "ioserver/standin/file_access_posix.h"
#include "ioserver/standin/posix_file_metadata.h"
#include "ioserver/standin/posix_support.h"
#include "ioserver/standin/posix_temporary_file.h"
#include "ioserver/utf8.h"

namespace rozovevi::ioserver::standin {
namespace {

using posix::Failed;
using posix::OpenAt;
using posix::Succeeded;
using posix::UniqueFd;

// As many symbolic links as Linux follows in one path before it gives up with ELOOP.
constexpr int kMaxLinkHops = 40;
// Read past the size fstat gave into this much stack, to learn the end without growing the
// buffer; a file that grew, or reports no size, then grows it by doubling, at least this much.
constexpr std::size_t kProbeBytes = 4 * 1024;
constexpr std::size_t kMinGrowthBytes = 64 * 1024;

// The file name for path: strict UTF-8, refusing what the kernel would read otherwise than typed.
Status ToFileName(std::u16string_view path, std::string& name) {
  if (path.empty()) return Failed("no file name was given");
  if (path.find(u'\0') != std::u16string_view::npos) {
    return Failed("the file name holds a NUL character");
  }
  std::optional<std::string> encoded = EncodeUtf8(path);
  if (!encoded) return Failed("the file name holds an unpaired UTF-16 surrogate");
  name = *std::move(encoded);
  return Succeeded();
}

// Reads from fd to its end, into a buffer of the size fstat gave, so that a file that keeps its
// size is read with no copy and no room to spare. Stops at kMaxValueBytes.
Status ReadToEnd(int fd, std::size_t expected_size, std::string& bytes) {
  if (expected_size > kMaxValueBytes) return TooLargeForAValue("the file");
  bytes.resize(expected_size);
  std::size_t filled = 0;
  for (;;) {
    char probe[kProbeBytes];
    const bool full = filled == bytes.size();
    char* const into = full ? probe : bytes.data() + filled;
    const ssize_t count = ::read(fd, into, full ? sizeof probe : bytes.size() - filled);
    if (count < 0) {
      if (errno == EINTR) continue;
      return Failed("cannot read the file", errno);
    }
    if (count == 0) break;
    const auto received = static_cast<std::size_t>(count);
    if (full) {
      if (filled + received > kMaxValueBytes) return TooLargeForAValue("the file");
      bytes.resize(std::min(std::max(filled * 2, filled + kMinGrowthBytes), kMaxValueBytes));
      std::memcpy(bytes.data() + filled, probe, received);
    }
    filled += received;
  }
  bytes.resize(filled);
  return Succeeded();
}

// Writes all of bytes to a regular file, going on after short writes and interruptions.
Status WriteAll(int fd, std::string_view bytes, const char* what) {
  while (!bytes.empty()) {
    const ssize_t count = ::write(fd, bytes.data(), bytes.size());
    if (count < 0) {
      if (errno == EINTR) continue;
      return Failed(what, errno);
    }
    if (count == 0) return Failed(what, EIO);  // No progress and no reason: never spin.
    bytes.remove_prefix(static_cast<std::size_t>(count));
  }
  return Succeeded();
}

// The directory part of a file name: "." for a bare name, "/" for a name in the root.
std::string DirectoryOf(const std::string& name) {
  const std::size_t slash = name.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return name.substr(0, slash);
}

std::string BaseNameOf(const std::string& name) {
  const std::size_t slash = name.rfind('/');
  return slash == std::string::npos ? name : name.substr(slash + 1);
}

// Follows name through symbolic links to the file they finally point at, which may not exist
// yet. Directories along the way are left to the kernel.
Status ResolveLinks(const std::string& name, std::string& target) {
  std::string current = name;
  for (int hops = 0;; ++hops) {
    struct stat status {};
    // A name that cannot be examined is not a link; opening it will tell the real problem.
    if (::lstat(current.c_str(), &status) != 0 || !S_ISLNK(status.st_mode)) break;
    if (hops == kMaxLinkHops) return Failed("cannot follow the symbolic link", ELOOP);

    std::string link(PATH_MAX, '\0');
    for (;;) {
      const ssize_t length = ::readlink(current.c_str(), link.data(), link.size());
      if (length < 0) return Failed("cannot read the symbolic link", errno);
      if (static_cast<std::size_t>(length) < link.size()) {
        link.resize(static_cast<std::size_t>(length));
        break;
      }
      link.resize(link.size() * 2);  // Possibly cut short: read it again into more room.
    }
    if (link.empty() || link.front() == '/' || current.find('/') == std::string::npos) {
      current = std::move(link);
    } else {
      current = DirectoryOf(current) + "/" + link;
    }
  }
  target = std::move(current);
  return Succeeded();
}

// The file being replaced, open, as it was before the write.
struct OldFile {
  int fd;
  struct stat status;
};

// Replaces the regular file target in directory (or creates it) with a flushed temporary file
// moved over it. old is the existing file, or null when there is none. Everything happens
// relative to the directory's descriptor, so no path longer than the target's is ever formed.
Status ReplaceAtomically(int directory, const std::string& target, std::string_view bytes,
                         const OldFile* old, const PosixWriteOptions& options) {
  posix::RemoveStaleTemporaryFiles(directory, target);
  posix::TemporaryFile temporary(directory, target);
  Status outcome = temporary.Create(options.allow_unnamed_temporary);
  if (!outcome.ok()) return outcome;
  if (old != nullptr) {
    outcome = posix::KeepMetadata(old->fd, old->status, temporary.fd());
    if (!outcome.ok()) return outcome;
  }
  outcome = WriteAll(temporary.fd(), bytes, "cannot write the temporary file");
  if (!outcome.ok()) return outcome;
  if (::fsync(temporary.fd()) != 0) return Failed("cannot flush the temporary file", errno);
  outcome = temporary.MoveOverTarget();
  if (!outcome.ok()) return outcome;
  // Closed only now: a named temporary file's lock must hold until it is in place.
  if (temporary.Close() != 0)
    return Failed("the value was stored but its file could not be closed", errno);
  // The rename survives a power cut only once the directory is flushed. File systems that
  // cannot flush a directory say EINVAL; nothing more can be done there.
  if (::fsync(directory) != 0 && errno != EINVAL) {
    return Failed("the value was stored but the directory could not be flushed", errno);
  }
  return Succeeded();
}

// Blocks SIGPIPE on this thread while writing to a pipe or device, so that a reader that goes
// away makes the write fail with EPIPE instead of ending the program. A SIGPIPE raised by that
// write is taken off again before the old mask comes back.
class SigPipeBlock {
 public:
  SigPipeBlock() {
    sigemptyset(&pipe_only_);
    sigaddset(&pipe_only_, SIGPIPE);
    sigset_t pending;
    sigpending(&pending);
    was_pending_ = sigismember(&pending, SIGPIPE) == 1;
    pthread_sigmask(SIG_BLOCK, &pipe_only_, &old_mask_);
  }
  SigPipeBlock(const SigPipeBlock&) = delete;
  SigPipeBlock& operator=(const SigPipeBlock&) = delete;
  ~SigPipeBlock() {
    if (!was_pending_) {
      const struct timespec no_wait {};
      while (sigtimedwait(&pipe_only_, nullptr, &no_wait) < 0 && errno == EINTR) {
      }
    }
    pthread_sigmask(SIG_SETMASK, &old_mask_, nullptr);
  }

 private:
  sigset_t pipe_only_;
  sigset_t old_mask_;
  bool was_pending_ = false;
};

std::string DescribeWait(std::chrono::milliseconds wait) {
  if (wait % std::chrono::seconds(1) == std::chrono::milliseconds::zero()) {
    return std::to_string(std::chrono::duration_cast<std::chrono::seconds>(wait).count()) + " s";
  }
  return std::to_string(wait.count()) + " ms";
}

// Writes all of bytes to a pipe or device opened without blocking, waiting with poll while it
// is full, for at most wait in all.
Status WriteWithin(int fd, std::string_view bytes, std::chrono::milliseconds wait) {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point deadline = Clock::now() + wait;
  while (!bytes.empty()) {
    const ssize_t count = ::write(fd, bytes.data(), bytes.size());
    if (count > 0) {
      bytes.remove_prefix(static_cast<std::size_t>(count));
      continue;
    }
    if (count == 0) return Failed("cannot write to the device", EIO);  // Never spin.
    if (errno == EINTR) continue;
    if (errno != EAGAIN && errno != EWOULDBLOCK) return Failed("cannot write to the device", errno);
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0) {
      return Failed("the pipe or device did not take the whole value within " + DescribeWait(wait));
    }
    pollfd ready{fd, POLLOUT, 0};
    if (::poll(&ready, 1, static_cast<int>(left.count())) < 0 && errno != EINTR) {
      return Failed("cannot wait for the device", errno);
    }
  }
  return Succeeded();
}

// Writes to an existing pipe or device, opened without blocking so that a full pipe or a
// stalled device cannot hold the window for longer than wait.
Status WriteDirectly(UniqueFd fd, std::string_view bytes, std::chrono::milliseconds wait) {
  Status outcome;
  {
    SigPipeBlock block_sigpipe;
    outcome = WriteWithin(fd.get(), bytes, wait);
  }
  if (!outcome.ok()) return outcome;
  // Pipes and terminals cannot be flushed (EINVAL); a block device can.
  if (::fsync(fd.get()) != 0 && errno != EINVAL) return Failed("cannot flush the device", errno);
  if (fd.Close() != 0) return Failed("cannot close the device", errno);
  return Succeeded();
}

}  // namespace

Status ReadFileBytes(std::u16string_view path, std::string& bytes) {
  bytes.clear();
  std::string name;
  if (Status named = ToFileName(path, name); !named.ok()) return named;

  // O_NONBLOCK: a named pipe with no writer or a serial port must not hold the open; they are
  // refused below.
  UniqueFd fd(OpenAt(AT_FDCWD, name.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  if (!fd.valid()) return Failed("cannot open the file", errno);
  struct stat status {};
  Status outcome;
  if (::fstat(fd.get(), &status) != 0) {
    outcome = Failed("cannot examine the file", errno);
  } else if (S_ISDIR(status.st_mode)) {
    outcome = Failed("it is a directory, not a file");
  } else if (!S_ISREG(status.st_mode)) {
    outcome = Failed("it is not a regular file, so it has no value to read as a whole");
  } else {
    outcome = ReadToEnd(fd.get(), static_cast<std::size_t>(status.st_size), bytes);
  }
  if (!outcome.ok()) {
    bytes.clear();
    bytes.shrink_to_fit();
  }
  return outcome;
}

Status ReplaceFileContents(std::u16string_view path, std::string_view bytes) {
  return ReplaceFileContents(path, bytes, PosixWriteOptions{});
}

Status ReplaceFileContents(std::u16string_view path, std::string_view bytes,
                           const PosixWriteOptions& options) {
  if (bytes.size() > kMaxValueBytes) return TooLargeForAValue("the value");
  std::string name;
  Status outcome = ToFileName(path, name);
  if (!outcome.ok()) return outcome;
  std::string target;
  outcome = ResolveLinks(name, target);
  if (!outcome.ok()) return outcome;
  const std::string base = BaseNameOf(target);
  if (base.empty() || base == "." || base == "..") {
    return Failed("the name ends in a directory, not a file");
  }
  // Read access too: the directory is flushed after the rename.
  UniqueFd directory(
      OpenAt(AT_FDCWD, DirectoryOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!directory.valid()) return Failed("cannot open the file's directory", errno);

  // Opening the target for writing, as a direct write would, tells whether it may be written at
  // all and what it is. O_NONBLOCK makes a named pipe nobody reads fail at once (ENXIO) and
  // keeps a serial port from waiting for a carrier.
  UniqueFd existing(
      OpenAt(directory.get(), base.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  if (!existing.valid()) {
    const int error = errno;
    if (error == ENOENT) return ReplaceAtomically(directory.get(), base, bytes, nullptr, options);
    if (error == EISDIR) return Failed("it is a directory, not a file");
    if (error == ENXIO) return Failed("nobody is reading the named pipe or the device is absent");
    return Failed("cannot open the file for writing", error);
  }
  OldFile old{existing.get(), {}};
  if (::fstat(existing.get(), &old.status) != 0) return Failed("cannot examine the file", errno);
  if (S_ISREG(old.status.st_mode)) {
    return ReplaceAtomically(directory.get(), base, bytes, &old, options);
  }
  return WriteDirectly(std::move(existing), bytes, options.device_write_wait);
}

}  // namespace rozovevi::ioserver::standin
