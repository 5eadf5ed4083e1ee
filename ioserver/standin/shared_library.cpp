// A shared library opened the first time the program needs one of its functions.
#include "ioserver/standin/shared_library.h"

#include <dlfcn.h>

#include <cstdlib>

namespace rozovevi::ioserver::standin::posix {
namespace {

// RTLD_LOCAL keeps the library's symbols out of the program's global scope, so that a library
// loaded later cannot bind to them by accident; RTLD_LAZY binds each of its own calls when first
// made, as at a normal start. RTLD_NODELETE leaves it mapped when it is closed at exit, where
// unmapping it would only cost time: the process's end unmaps everything at once.
constexpr int kOpenFlags = RTLD_LAZY | RTLD_LOCAL | RTLD_NODELETE;

void* OpenInDirectory(const std::string& directory, const char* soname) {
  if (directory.empty() || std::getenv("LD_LIBRARY_PATH") != nullptr) return nullptr;
  return ::dlopen((directory + '/' + soname).c_str(), kOpenFlags);
}

}  // namespace

SharedLibrary::SharedLibrary(const std::string& directory, const char* soname)
    : handle_(OpenInDirectory(directory, soname)) {
  if (handle_ == nullptr) handle_ = ::dlopen(soname, kOpenFlags);
  if (handle_ == nullptr) {
    const char* reason = ::dlerror();
    failure_ = reason != nullptr ? reason : std::string("cannot load ") + soname;
  }
}

SharedLibrary::~SharedLibrary() {
  if (handle_ != nullptr) ::dlclose(handle_);
}

// dlsym with the library's own handle searches that library and what it needs, never the
// program, so a program that defines a function of the same name gets the library's.
void* SharedLibrary::Symbol(const char* name) const {
  return handle_ != nullptr ? ::dlsym(handle_, name) : nullptr;
}

}  // namespace rozovevi::ioserver::standin::posix
