// A shared library opened the first time the program needs one of its functions.
#pragma once

#include <string>

namespace rozovevi::ioserver::standin::posix {

// Owns a library opened with dlopen, closed again when the owner goes. Programs start faster
// when a library that only some addresses need is not loaded, relocated and version-checked at
// every start: the stand-in loads libmodbus for the first MODBUS: address, and libacl and libattr
// for the first file it replaces. Opening it a second time only counts a reference.
class SharedLibrary {
 public:
  // Opens the library by its soname ("libmodbus.so.5") in directory, the folder the build found
  // it in: a file named in full spares the loader its look through /etc/ld.so.cache (0.2 ms of a
  // 5 ms Modbus read here). Where the file is not there, or LD_LIBRARY_PATH asks for a search of
  // its own, the loader looks for the soname as at a normal start. failure() says why when the
  // library cannot be opened.
  SharedLibrary(const std::string& directory, const char* soname);
  SharedLibrary(const SharedLibrary&) = delete;
  SharedLibrary& operator=(const SharedLibrary&) = delete;
  ~SharedLibrary();

  // The library's function called name, of the type Function; nullptr when the library could not
  // be opened or has no such function.
  template <typename Function>
  Function* Find(const char* name) const {
    return reinterpret_cast<Function*>(Symbol(name));
  }

  // Why the library could not be opened, as the dynamic loader says it; empty once it is open.
  const std::string& failure() const { return failure_; }

 private:
  void* Symbol(const char* name) const;

  void* handle_;
  std::string failure_;
};

}  // namespace rozovevi::ioserver::standin::posix
