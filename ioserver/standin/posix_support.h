// What the POSIX file access shares: an owned descriptor, outcomes from errno, retried opens.
#pragma once

#include <fcntl.h>
#include <sys/types.h>
#include <unistd.h>

#include <string>
#include <utility>

#include "ioserver/standin/file_access.h"

namespace rozovevi::ioserver::standin::posix {

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
  // Gives the descriptor up to a new owner.
  int Release() noexcept { return std::exchange(fd_, -1); }

 private:
  void Reset() noexcept {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

  int fd_;
};

inline Status Succeeded() { return Status::Ok(); }
inline Status Failed(std::string what) { return Status::Failure(std::move(what)); }
// The one place an errno becomes a reason.
Status Failed(const std::string& what, int error);

// openat, tried again when a signal interrupts it. directory may be AT_FDCWD.
int OpenAt(int directory, const char* name, int flags, mode_t mode = 0);

}  // namespace rozovevi::ioserver::standin::posix
