// Raw file access and child processes for the stand-in tests.
#include "file_fixtures.h"

#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "ioserver/utf8.h"

namespace rozovevi::ioserver::standin::testing_support {
namespace {

constexpr uid_t kNobody = 65534;
constexpr int kChildPassed = 0;
constexpr int kChildFailed = 1;

}  // namespace

std::string ReadRaw(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteRaw(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out.flush()) throw std::runtime_error("cannot write " + path);
}

mode_t PermissionBits(const std::string& path) {
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0) return static_cast<mode_t>(-1);
  return status.st_mode & 07777;
}

std::u16string Address(const std::string& path) { return WidenUtf8(path); }

bool RunInChild(const std::function<bool()>& body) {
  const pid_t child = ::fork();
  if (child < 0) return false;
  if (child == 0) ::_exit(body() ? kChildPassed : kChildFailed);
  int status = 0;
  pid_t waited;
  do {
    waited = ::waitpid(child, &status, 0);
  } while (waited < 0 && errno == EINTR);
  return waited == child && WIFEXITED(status) && WEXITSTATUS(status) == kChildPassed;
}

bool RunInUnprivilegedChild(const std::function<bool()>& body) {
  return RunInChild([&body] {
    if (::geteuid() == 0 &&
        (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)) {
      return false;
    }
    return body();
  });
}

}  // namespace rozovevi::ioserver::standin::testing_support
