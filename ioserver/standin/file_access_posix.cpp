// POSIX file access for the stand-in server: whole-file reads and all-or-nothing replacement.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <optional>
#include <random>
#include <string>
#include <system_error>
#include <utility>

#include "ioserver/standin/file_access.h"
#include "ioserver/utf8.h"

namespace rozovevi::ioserver::standin {
namespace {

// As many symbolic links as Linux follows in one path before it gives up with ELOOP.
constexpr int kMaxLinkHops = 40;
// Read size past the size fstat reported, for a file that grew or reports no size.
constexpr std::size_t kReadChunk = 64 * 1024;
// Bytes of the target's name kept in a temporary file's name, short enough for any name limit.
constexpr std::size_t kTempStemBytes = 32;
constexpr std::size_t kTempRandomChars = 8;
constexpr int kTempNameAttempts = 100;
// A new file gets these bits narrowed by the umask, as any newly created file does.
constexpr mode_t kNewFileMode = 0666;
constexpr mode_t kPermissionBits = 07777;

// Owns a file descriptor.
class UniqueFd {
 public:
  explicit UniqueFd(int fd = -1) noexcept : fd_(fd) {}
  UniqueFd(UniqueFd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept {
    if (this != &other) {
      Reset();
      fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
  }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  ~UniqueFd() { Reset(); }

  int get() const noexcept { return fd_; }
  bool valid() const noexcept { return fd_ >= 0; }

  // Closes now and returns close's result: some file systems report a failed write only here.
  // Linux releases the descriptor even when close fails, so it is never retried.
  int Close() noexcept { return fd_ >= 0 ? ::close(std::exchange(fd_, -1)) : 0; }

 private:
  void Reset() noexcept {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

  int fd_;
};

FileOutcome Succeeded() { return FileOutcome{true, {}}; }

FileOutcome Failed(std::string what) { return FileOutcome{false, std::move(what)}; }

// The one place an errno becomes a reason.
FileOutcome Failed(const std::string& what, int error) {
  return Failed(what + ": " + std::generic_category().message(error));
}

// The file name for path: strict UTF-8, refusing what the kernel would read otherwise than typed.
FileOutcome ToFileName(std::u16string_view path, std::string& name) {
  if (path.empty()) return Failed("no file name was given");
  if (path.find(u'\0') != std::u16string_view::npos) {
    return Failed("the file name holds a NUL character");
  }
  std::optional<std::string> encoded = EncodeUtf8(path);
  if (!encoded) return Failed("the file name holds an unpaired UTF-16 surrogate");
  name = *std::move(encoded);
  return Succeeded();
}

int OpenRetrying(const std::string& name, int flags, mode_t mode = 0) {
  int fd;
  do {
    fd = ::open(name.c_str(), flags, mode);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

// Reads from fd to its end, starting with the size fstat gave so that a file that keeps its
// size is read into one buffer with no copy.
FileOutcome ReadToEnd(int fd, std::size_t expected_size, std::string& bytes) {
  bytes.reserve(expected_size + kReadChunk);
  bytes.resize(expected_size);
  std::size_t filled = 0;
  for (;;) {
    if (filled == bytes.size()) bytes.resize(bytes.size() + kReadChunk);
    const ssize_t count = ::read(fd, bytes.data() + filled, bytes.size() - filled);
    if (count < 0) {
      if (errno == EINTR) continue;
      return Failed("cannot read the file", errno);
    }
    if (count == 0) break;
    filled += static_cast<std::size_t>(count);
  }
  bytes.resize(filled);
  return Succeeded();
}

// Writes all of bytes, going on after short writes and interruptions.
FileOutcome WriteAll(int fd, std::string_view bytes, const char* what) {
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
FileOutcome ResolveLinks(const std::string& name, std::string& target) {
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

// A temporary file next to the target, removed again unless it has been renamed into place.
class TemporaryFile {
 public:
  TemporaryFile() = default;
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;
  ~TemporaryFile() {
    fd_.Close();
    if (!path_.empty() && !kept_) ::unlink(path_.c_str());
  }

  // Creates a file of a name nobody else has (O_EXCL) in directory, named after target so that
  // a leftover from a crash says where it belongs.
  FileOutcome Create(const std::string& directory, const std::string& target_base) {
    static constexpr std::string_view kNameChars =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    thread_local std::mt19937_64 random{std::random_device{}()};
    std::uniform_int_distribution<std::size_t> pick(0, kNameChars.size() - 1);

    std::size_t stem_length = std::min(target_base.size(), kTempStemBytes);
    // Cut between UTF-8 sequences, not inside one.
    while (stem_length < target_base.size() &&
           (static_cast<unsigned char>(target_base[stem_length]) & 0xC0) == 0x80) {
      --stem_length;
    }
    const std::string prefix = directory + "/." + target_base.substr(0, stem_length) + ".";
    int error = EEXIST;
    for (int attempt = 0; attempt < kTempNameAttempts && error == EEXIST; ++attempt) {
      std::string candidate = prefix;
      for (std::size_t i = 0; i < kTempRandomChars; ++i)
        candidate.push_back(kNameChars[pick(random)]);
      candidate += ".tmp";
      fd_ = UniqueFd(OpenRetrying(candidate, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                                  kNewFileMode));
      if (fd_.valid()) {
        path_ = std::move(candidate);
        return Succeeded();
      }
      error = errno;
    }
    return Failed("cannot create a temporary file in \"" + directory + "\"", error);
  }

  int fd() const noexcept { return fd_.get(); }
  const std::string& path() const noexcept { return path_; }
  int Close() noexcept { return fd_.Close(); }
  void Keep() noexcept { kept_ = true; }

 private:
  UniqueFd fd_;
  std::string path_;
  bool kept_ = false;
};

// Gives the new file the old one's owner, group and permission bits, owner first because a
// change of owner may clear set-user-ID bits. A change of owner that is not permitted is let
// go: the content matters more, and the file still gets the old permission bits.
FileOutcome KeepOwnerAndMode(int fd, const struct stat& old_status) {
  struct stat new_status {};
  if (::fstat(fd, &new_status) != 0) return Failed("cannot examine the temporary file", errno);
  if (new_status.st_uid != old_status.st_uid || new_status.st_gid != old_status.st_gid) {
    if (::fchown(fd, old_status.st_uid, old_status.st_gid) != 0 && errno != EPERM) {
      return Failed("cannot give the temporary file the file's owner", errno);
    }
  }
  if (::fchmod(fd, old_status.st_mode & kPermissionBits) != 0) {
    return Failed("cannot give the temporary file the file's permissions", errno);
  }
  return Succeeded();
}

// Flushes a directory so that a rename in it survives a power cut. File systems that cannot
// flush a directory say EINVAL; nothing more can be done there.
FileOutcome SyncDirectory(const std::string& directory) {
  UniqueFd fd(OpenRetrying(directory, O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!fd.valid()) return Failed("cannot open the directory to flush it", errno);
  if (::fsync(fd.get()) != 0 && errno != EINVAL) {
    return Failed("the value was stored but the directory could not be flushed", errno);
  }
  return Succeeded();
}

// Replaces the regular file target (or creates it) by renaming a flushed temporary file over
// it. old_status is the existing file's, or null when there is none.
FileOutcome ReplaceAtomically(const std::string& target, std::string_view bytes,
                              const struct stat* old_status) {
  const std::string directory = DirectoryOf(target);
  TemporaryFile temporary;
  FileOutcome outcome = temporary.Create(directory, BaseNameOf(target));
  if (!outcome.ok) return outcome;
  if (old_status != nullptr) {
    outcome = KeepOwnerAndMode(temporary.fd(), *old_status);
    if (!outcome.ok) return outcome;
  }
  outcome = WriteAll(temporary.fd(), bytes, "cannot write the temporary file");
  if (!outcome.ok) return outcome;
  if (::fsync(temporary.fd()) != 0) return Failed("cannot flush the temporary file", errno);
  if (temporary.Close() != 0) return Failed("cannot close the temporary file", errno);
  if (::rename(temporary.path().c_str(), target.c_str()) != 0) {
    return Failed("cannot move the temporary file over the file", errno);
  }
  temporary.Keep();
  return SyncDirectory(directory);
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

// Writes to an existing pipe or device opened without blocking: it now blocks like any write,
// so that a full pipe waits for its reader instead of failing with EAGAIN.
FileOutcome WriteDirectly(UniqueFd fd, std::string_view bytes) {
  const int flags = ::fcntl(fd.get(), F_GETFL);
  if (flags < 0 || ::fcntl(fd.get(), F_SETFL, flags & ~O_NONBLOCK) != 0) {
    return Failed("cannot prepare the device for writing", errno);
  }
  FileOutcome outcome;
  {
    SigPipeBlock block_sigpipe;
    outcome = WriteAll(fd.get(), bytes, "cannot write to the device");
  }
  if (!outcome.ok) return outcome;
  // Pipes and terminals cannot be flushed (EINVAL); a block device can.
  if (::fsync(fd.get()) != 0 && errno != EINVAL) return Failed("cannot flush the device", errno);
  if (fd.Close() != 0) return Failed("cannot close the device", errno);
  return Succeeded();
}

}  // namespace

FileBytes ReadFileBytes(std::u16string_view path) {
  FileBytes result;
  std::string name;
  result.outcome = ToFileName(path, name);
  if (!result.outcome.ok) return result;

  // O_NONBLOCK: a named pipe with no writer or a serial port must not hold the open; they are
  // refused below.
  UniqueFd fd(OpenRetrying(name, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  if (!fd.valid()) {
    result.outcome = Failed("cannot open the file", errno);
    return result;
  }
  struct stat status {};
  if (::fstat(fd.get(), &status) != 0) {
    result.outcome = Failed("cannot examine the file", errno);
  } else if (S_ISDIR(status.st_mode)) {
    result.outcome = Failed("it is a directory, not a file");
  } else if (!S_ISREG(status.st_mode)) {
    result.outcome = Failed("it is not a regular file, so it has no value to read as a whole");
  } else {
    result.outcome = ReadToEnd(fd.get(), static_cast<std::size_t>(status.st_size), result.bytes);
  }
  if (!result.outcome.ok) result.bytes.clear();
  return result;
}

FileOutcome ReplaceFileContents(std::u16string_view path, std::string_view bytes) {
  std::string name;
  FileOutcome outcome = ToFileName(path, name);
  if (!outcome.ok) return outcome;
  std::string target;
  outcome = ResolveLinks(name, target);
  if (!outcome.ok) return outcome;

  // Opening the target for writing, as a direct write would, tells whether it may be written at
  // all and what it is. O_NONBLOCK makes a named pipe nobody reads fail at once (ENXIO) and
  // keeps a serial port from waiting for a carrier.
  UniqueFd existing(OpenRetrying(target, O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  if (!existing.valid()) {
    const int error = errno;
    if (error == ENOENT) return ReplaceAtomically(target, bytes, nullptr);
    if (error == EISDIR) return Failed("it is a directory, not a file");
    if (error == ENXIO) return Failed("nobody is reading the named pipe or the device is absent");
    return Failed("cannot open the file for writing", error);
  }
  struct stat status {};
  if (::fstat(existing.get(), &status) != 0) return Failed("cannot examine the file", errno);
  if (S_ISREG(status.st_mode)) {
    existing.Close();
    return ReplaceAtomically(target, bytes, &status);
  }
  return WriteDirectly(std::move(existing), bytes);
}

}  // namespace rozovevi::ioserver::standin
