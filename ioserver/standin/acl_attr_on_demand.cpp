// The libacl and libattr functions the file access calls when it replaces a file, loaded from the
// libraries at the first call, so that a program that only reads never loads them. The programs
// link this in place of the libraries themselves (see CMakeLists.txt); the declarations come from
// their headers, so a change of signature fails the build here.
#include <acl/libacl.h>
#include <attr/error_context.h>
#include <attr/libattr.h>

#include <cerrno>

#include "ioserver/standin/shared_library.h"

namespace {

using rozovevi::ioserver::standin::posix::SharedLibrary;

// The sonames of the libraries the headers belong to.
constexpr char kLibacl[] = "libacl.so.1";
constexpr char kLibattr[] = "libattr.so.1";

const SharedLibrary& Libacl() {
  static const SharedLibrary library(ROZOVEVI_LIBACL_DIR, kLibacl);
  return library;
}

const SharedLibrary& Libattr() {
  static const SharedLibrary library(ROZOVEVI_LIBATTR_DIR, kLibattr);
  return library;
}

// A copy that cannot be made because its library cannot be had fails as the libraries' own
// failures do: through the caller's context, with errno set, and -1.
int Unavailable(const SharedLibrary& library, const char* soname, error_context* context) {
  errno = ELIBACC;
  if (context != nullptr && context->error != nullptr) {
    if (library.failure().empty()) {
      context->error(context, "%s lacks a function this program calls", soname);
    } else {
      context->error(context, "%s", library.failure().c_str());
    }
    errno = ELIBACC;
  }
  return -1;
}

}  // namespace

extern "C" {

int perm_copy_fd(const char* src_path, int src_fd, const char* dst_path, int dst_fd,
                 error_context* context) {
  static auto* const real = Libacl().Find<decltype(perm_copy_fd)>("perm_copy_fd");
  return real != nullptr ? real(src_path, src_fd, dst_path, dst_fd, context)
                         : Unavailable(Libacl(), kLibacl, context);
}

int attr_copy_fd(const char* src_path, int src_fd, const char* dst_path, int dst_fd,
                 int (*check)(const char*, error_context*), error_context* context) {
  static auto* const real = Libattr().Find<decltype(attr_copy_fd)>("attr_copy_fd");
  return real != nullptr ? real(src_path, src_fd, dst_path, dst_fd, check, context)
                         : Unavailable(Libattr(), kLibattr, context);
}

// Only attr_copy_fd calls it back, once libattr is loaded; should it be missing, nothing is copied.
int attr_copy_check_permissions(const char* name, error_context* context) {
  static auto* const real =
      Libattr().Find<decltype(attr_copy_check_permissions)>("attr_copy_check_permissions");
  return real != nullptr ? real(name, context) : 0;
}

}  // extern "C"
