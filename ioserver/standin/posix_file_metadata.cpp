// Copies owner, extended attributes and permission bits from a file to its replacement.
#include "ioserver/standin/posix_file_metadata.h"

#include <acl/libacl.h>
#include <attr/error_context.h>
#include <attr/libattr.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <string>
#include <string_view>

#include "ioserver/ascii_text.h"
#include "ioserver/standin/posix_support.h"

namespace rozovevi::ioserver::standin::posix {
namespace {

constexpr mode_t kPermissionBits = 07777;
constexpr std::string_view kUserAttributePrefix = "user.";
// How the copying libraries name the two files in their reports.
constexpr char kOldFile[] = "the file";
constexpr char kNewFile[] = "the temporary file";
constexpr std::size_t kReportBytes = 512;

// The errors that mean "not allowed here" rather than "went wrong"; ENODATA: an attribute
// removed between listing and reading it.
bool IsLetGo(int error) {
  return error == EPERM || error == EACCES || error == ENOTSUP || error == ENODATA;
}

// Keeps the first failure libattr or libacl reports while copying that is not let go. They
// report through this context with errno still set by the call that failed, and go on with
// the rest.
struct CopyFailure : error_context {
  CopyFailure() : error_context{&Report, nullptr, nullptr} {}

  static void Report(error_context* context, const char* format, ...) {
    const int number = errno;
    auto& self = static_cast<CopyFailure&>(*context);
    if (self.number != 0 || IsLetGo(number)) return;
    char text[kReportBytes];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    self.number = number;
    self.what = text;
  }

  int number = 0;
  std::string what;
};

// The user attributes ("user.*") that the system's rules for copying (/etc/xattr.conf) do not
// skip. The access control list goes with the permissions; security labels and the kernel's
// trusted attributes belong to the new file as the system made it.
int IsCopiedAttribute(const char* name, error_context* context) {
  return StartsWith(name, kUserAttributePrefix) && attr_copy_check_permissions(name, context);
}

}  // namespace

Status KeepMetadata(int from, const struct stat& old_status, int to) {
  struct stat new_status {};
  if (::fstat(to, &new_status) != 0) return Failed("cannot examine the temporary file", errno);
  if (new_status.st_uid != old_status.st_uid || new_status.st_gid != old_status.st_gid) {
    if (::fchown(to, old_status.st_uid, old_status.st_gid) != 0 && errno != EPERM) {
      return Failed("cannot give the temporary file the file's owner", errno);
    }
  }
  CopyFailure failure;
  attr_copy_fd(kOldFile, from, kNewFile, to, &IsCopiedAttribute, &failure);
  if (failure.number == 0) perm_copy_fd(kOldFile, from, kNewFile, to, &failure);
  if (failure.number != 0) {
    return Failed(
        "cannot keep the file's extended attributes and permissions (" + failure.what + ")",
        failure.number);
  }
  // The access control list has no room for the set-user-ID, set-group-ID and sticky bits.
  if (::fchmod(to, old_status.st_mode & kPermissionBits) != 0) {
    return Failed("cannot give the temporary file the file's permissions", errno);
  }
  return Succeeded();
}

}  // namespace rozovevi::ioserver::standin::posix
