// Temporary files beside their target: created unnamed or named and locked, moved over the
// target, and removed when their writer died before the move.
#include "ioserver/standin/posix_temporary_file.h"

#include <dirent.h>
#include <sys/file.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <memory>
#include <random>
#include <string_view>
#include <vector>

#include "ioserver/standin/file_access_posix.h"
#include "ioserver/utf8.h"

namespace rozovevi::ioserver::standin::posix {
namespace {

// Bytes of the target's name kept in a temporary file's name, short enough for any name limit.
constexpr std::size_t kStemBytes = 32;
constexpr std::size_t kRandomChars = 8;
constexpr std::string_view kNameChars =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
constexpr int kNameAttempts = 100;
// A new file gets these bits narrowed by the umask, as any newly created file does.
constexpr mode_t kNewFileMode = 0666;

// Where the kernel shows this process's open files; linkat names an unnamed file through it.
constexpr std::string_view kOwnFds = "/proc/self/fd/";

// "." + the start of target's name (cut between UTF-8 sequences) + ".".
std::string NamePrefix(const std::string& target) {
  return "." + target.substr(0, Utf8PrefixLength(target, kStemBytes)) + ".";
}

std::string RandomName(const std::string& target) {
  thread_local std::mt19937_64 random{std::random_device{}()};
  std::uniform_int_distribution<std::size_t> pick(0, kNameChars.size() - 1);
  std::string name = NamePrefix(target);
  for (std::size_t i = 0; i < kRandomChars; ++i) name.push_back(kNameChars[pick(random)]);
  name += kTemporarySuffix;
  return name;
}

bool IsTemporaryNameOf(std::string_view name, const std::string& prefix) {
  if (name.size() != prefix.size() + kRandomChars + kTemporarySuffix.size()) return false;
  if (name.substr(0, prefix.size()) != prefix) return false;
  if (name.substr(prefix.size() + kRandomChars) != kTemporarySuffix) return false;
  const std::string_view random = name.substr(prefix.size(), kRandomChars);
  return std::all_of(random.begin(), random.end(),
                     [](char c) { return kNameChars.find(c) != std::string_view::npos; });
}

// Whether name in directory is still the file open as fd.
bool StillNamed(int directory, const std::string& name, int fd) {
  struct stat named {};
  struct stat open {};
  return ::fstatat(directory, name.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
         ::fstat(fd, &open) == 0 && named.st_dev == open.st_dev && named.st_ino == open.st_ino;
}

bool CanNameUnnamedFiles() {
  static const bool can = ::access(std::string(kOwnFds).c_str(), X_OK) == 0;
  return can;
}

int Rename(int directory, const std::string& from, const std::string& to) {
  return ::renameat(directory, from.c_str(), directory, to.c_str());
}

// Removes name in directory if nobody holds it locked.
void RemoveIfAbandoned(int directory, const std::string& name) {
  // Read access is enough for a lock; a file kept only writable is opened for writing.
  constexpr int kFlags = O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
  UniqueFd fd(OpenAt(directory, name.c_str(), O_RDONLY | kFlags));
  if (!fd.valid() && errno == EACCES)
    fd = UniqueFd(OpenAt(directory, name.c_str(), O_WRONLY | kFlags));
  struct stat status {};
  if (!fd.valid() || ::fstat(fd.get(), &status) != 0 || !S_ISREG(status.st_mode)) return;
  // Held by the lock from here on, so its writer cannot be mid-way; it was abandoned.
  if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) return;
  if (StillNamed(directory, name, fd.get())) ::unlinkat(directory, name.c_str(), 0);
}

struct DirCloser {
  void operator()(DIR* dir) const noexcept { ::closedir(dir); }
};

}  // namespace

TemporaryFile::TemporaryFile(int directory, std::string target)
    : directory_(directory), target_(std::move(target)) {}

TemporaryFile::~TemporaryFile() {
  if (!name_.empty()) ::unlinkat(directory_, name_.c_str(), 0);
}

Status TemporaryFile::Create(bool allow_unnamed) {
  if (allow_unnamed && CanNameUnnamedFiles()) {
    fd_ = UniqueFd(OpenAt(directory_, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, kNewFileMode));
    if (fd_.valid()) {
      // Nobody else can reach it yet; the lock matters for the moment it is named.
      ::flock(fd_.get(), LOCK_EX | LOCK_NB);
      unnamed_ = true;
      return Succeeded();
    }
    // A file system or kernel without O_TMPFILE says one of these; take a named file there.
    if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
      return Failed("cannot create a temporary file in the file's directory", errno);
    }
  }
  return CreateNamed();
}

Status TemporaryFile::CreateNamed() {
  int error = EEXIST;
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    std::string name = RandomName(target_);
    UniqueFd fd(OpenAt(directory_, name.c_str(),
                       O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, kNewFileMode));
    if (!fd.valid()) {
      error = errno;
      if (error == EEXIST) continue;
      break;
    }
    // Until the lock is taken, a cleaner may take the new file for abandoned and remove it;
    // a file held by a cleaner or no longer under its name is given up for another name. A
    // file system without flock leaves the file unlocked, and cleaners there cannot lock it
    // either, so they leave it alone.
    if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) continue;
    if (!StillNamed(directory_, name, fd.get())) continue;
    fd_ = std::move(fd);
    name_ = std::move(name);
    return Succeeded();
  }
  return Failed("cannot create a temporary file in the file's directory", error);
}

Status TemporaryFile::LinkUnderTemporaryName() {
  const std::string own_fd = std::string(kOwnFds) + std::to_string(fd_.get());
  int error = EEXIST;
  for (int attempt = 0; attempt < kNameAttempts && error == EEXIST; ++attempt) {
    std::string name = RandomName(target_);
    if (::linkat(AT_FDCWD, own_fd.c_str(), directory_, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
      name_ = std::move(name);
      return Succeeded();
    }
    error = errno;
  }
  return Failed("cannot give the temporary file a name", error);
}

Status TemporaryFile::MoveOverTarget() {
  if (unnamed_) {
    // linkat cannot replace a file, so the new file takes a temporary name for the rename. It
    // is named only for that moment; a write killed then leaves a file that the next write
    // finds unlocked and removes.
    Status outcome = LinkUnderTemporaryName();
    if (!outcome.ok()) return outcome;
  }
  if (Rename(directory_, name_, target_) != 0) {
    return Failed("cannot move the temporary file over the file", errno);
  }
  name_.clear();
  return Succeeded();
}

void RemoveStaleTemporaryFiles(int directory, const std::string& target) {
  // A descriptor of its own, so that reading the directory moves no shared offset.
  UniqueFd listing(OpenAt(directory, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!listing.valid()) return;
  std::unique_ptr<DIR, DirCloser> entries(::fdopendir(listing.get()));
  if (!entries) return;
  listing.Release();  // The DIR owns it now.

  const std::string prefix = NamePrefix(target);
  std::vector<std::string> candidates;
  while (const dirent* entry = ::readdir(entries.get())) {
    if (IsTemporaryNameOf(entry->d_name, prefix)) candidates.emplace_back(entry->d_name);
  }
  for (const std::string& name : candidates) RemoveIfAbandoned(directory, name);
}

}  // namespace rozovevi::ioserver::standin::posix
