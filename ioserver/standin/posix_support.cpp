// Outcomes from errno and retried opens for the POSIX file access.
#include "ioserver/standin/posix_support.h"

#include <cerrno>
#include <system_error>

namespace rozovevi::ioserver::standin::posix {

Status Failed(const std::string& what, int error) {
  return Failed(what + ": " + std::generic_category().message(error));
}

int OpenAt(int directory, const char* name, int flags, mode_t mode) {
  int fd;
  do {
    fd = ::openat(directory, name, flags, mode);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

}  // namespace rozovevi::ioserver::standin::posix
