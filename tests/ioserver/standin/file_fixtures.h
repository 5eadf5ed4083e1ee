// Raw file access and unprivileged child processes for the stand-in tests.
#pragma once

#include <sys/types.h>

#include <functional>
#include <string>

namespace rozovevi::ioserver::standin::testing_support {

std::string ReadRaw(const std::string& path);
void WriteRaw(const std::string& path, const std::string& bytes);
mode_t PermissionBits(const std::string& path);
// The UTF-16 address for a file name.
std::u16string Address(const std::string& path);

// Runs body in a forked child and returns whether it returned true. The child ends with _exit,
// so nothing of the test program runs twice.
bool RunInChild(const std::function<bool()>& body);

// Like RunInChild, but the child first gives up root, so that permissions stop it as they stop
// an operator. Directories on the way to the files must be open to others.
bool RunInUnprivilegedChild(const std::function<bool()>& body);

}  // namespace rozovevi::ioserver::standin::testing_support
