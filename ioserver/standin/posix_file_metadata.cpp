// Copies owner, extended attributes and permission bits from a file to its replacement.
#include "ioserver/standin/posix_file_metadata.h"

#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <string_view>

#include "ioserver/standin/posix_support.h"

namespace rozovevi::ioserver::standin::posix {
namespace {

constexpr mode_t kPermissionBits = 07777;
constexpr std::string_view kUserAttributePrefix = "user.";
constexpr std::string_view kAccessControlList = "system.posix_acl_access";

bool IsCopiedAttribute(std::string_view name) {
  return name.substr(0, kUserAttributePrefix.size()) == kUserAttributePrefix ||
         name == kAccessControlList;
}

// The errors that mean "not allowed here" rather than "went wrong".
bool IsNotAllowed(int error) { return error == EPERM || error == EACCES || error == ENOTSUP; }

// Calls read (a flistxattr or fgetxattr wrapper taking a buffer and its size) into buffer,
// asking again when the attribute grew between asking its size and reading it.
template <typename Read>
ssize_t ReadSized(std::string& buffer, Read read) {
  for (;;) {
    const ssize_t size = read(nullptr, 0);
    if (size <= 0) {
      buffer.clear();
      return size;
    }
    buffer.resize(static_cast<std::size_t>(size));
    const ssize_t read_size = read(buffer.data(), buffer.size());
    if (read_size >= 0) {
      buffer.resize(static_cast<std::size_t>(read_size));
      return read_size;
    }
    if (errno != ERANGE) return read_size;
  }
}

FileOutcome CopyExtendedAttributes(int from, int to) {
  std::string names;
  if (ReadSized(names, [from](char* list, std::size_t size) {
        return ::flistxattr(from, list, size);
      }) < 0) {
    if (IsNotAllowed(errno)) return Succeeded();
    return Failed("cannot list the file's extended attributes", errno);
  }
  std::string value;
  for (std::size_t start = 0; start < names.size();) {
    const std::size_t end = names.find('\0', start);
    const std::string name = names.substr(start, end - start);
    start = end == std::string::npos ? names.size() : end + 1;
    if (!IsCopiedAttribute(name)) continue;
    if (ReadSized(value, [from, &name](char* data, std::size_t size) {
          return ::fgetxattr(from, name.c_str(), data, size);
        }) < 0) {
      if (errno == ENODATA || IsNotAllowed(errno)) continue;  // ENODATA: removed meanwhile.
      return Failed("cannot read the file's extended attribute \"" + name + "\"", errno);
    }
    if (::fsetxattr(to, name.c_str(), value.data(), value.size(), 0) != 0 && !IsNotAllowed(errno)) {
      return Failed("cannot give the temporary file the extended attribute \"" + name + "\"",
                    errno);
    }
  }
  return Succeeded();
}

}  // namespace

FileOutcome KeepMetadata(int from, const struct stat& old_status, int to) {
  struct stat new_status {};
  if (::fstat(to, &new_status) != 0) return Failed("cannot examine the temporary file", errno);
  if (new_status.st_uid != old_status.st_uid || new_status.st_gid != old_status.st_gid) {
    if (::fchown(to, old_status.st_uid, old_status.st_gid) != 0 && errno != EPERM) {
      return Failed("cannot give the temporary file the file's owner", errno);
    }
  }
  FileOutcome outcome = CopyExtendedAttributes(from, to);
  if (!outcome.ok) return outcome;
  if (::fchmod(to, old_status.st_mode & kPermissionBits) != 0) {
    return Failed("cannot give the temporary file the file's permissions", errno);
  }
  return Succeeded();
}

}  // namespace rozovevi::ioserver::standin::posix
