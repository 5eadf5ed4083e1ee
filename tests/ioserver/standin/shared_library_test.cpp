// Libraries opened when first needed: a function found is the library's own and can be called,
// the folder the build found a library in is looked in first, and a library or function that is
// missing is a clear failure, never a crash.
#include "ioserver/standin/shared_library.h"

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstddef>
#include <cstdlib>
#include <optional>
#include <stdexcept>
#include <string>

#include "tests/support/scratch_directory.h"

namespace rozovevi::ioserver::standin::posix {
namespace {

constexpr char kCLibrary[] = "libc.so.6";
constexpr char kMissingLibrary[] = "librozovevi-no-such-library.so.0";
// A soname that only a folder of the test's own holds, so that only a look in that folder can
// find it.
constexpr char kPrivateSoname[] = "librozovevi-private.so.1";

// Sets an environment variable for the life of the object, and puts back what was there.
class ScopedEnvironment {
 public:
  ScopedEnvironment(const char* name, const std::string& value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    ::setenv(name, value.c_str(), 1);
  }
  ScopedEnvironment(const ScopedEnvironment&) = delete;
  ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;
  ~ScopedEnvironment() {
    if (old_) {
      ::setenv(name_, old_->c_str(), 1);
    } else {
      ::unsetenv(name_);
    }
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

// A folder holding the C library under a soname of its own.
class PrivateLibraryFolder {
 public:
  PrivateLibraryFolder() {
    const SharedLibrary c_library("", kCLibrary);
    Dl_info found{};
    auto* const strlen_in_c = c_library.Find<std::size_t(const char*)>("strlen");
    if (strlen_in_c == nullptr || ::dladdr(reinterpret_cast<void*>(strlen_in_c), &found) == 0) {
      throw std::runtime_error("cannot tell where the C library is");
    }
    if (::symlink(found.dli_fname, (folder_ / kPrivateSoname).c_str()) != 0) {
      throw std::runtime_error("cannot link the C library into the test's folder");
    }
  }
  const std::string& path() const { return folder_.path(); }

 private:
  rozovevi::testing::ScratchDirectory folder_;
};

TEST(SharedLibraryTest, FindsAndCallsTheLibrarysOwnFunction) {
  const SharedLibrary library("", kCLibrary);
  EXPECT_EQ(library.failure(), "");
  auto* length = library.Find<std::size_t(const char*)>("strlen");
  ASSERT_NE(length, nullptr);
  EXPECT_EQ(length("tank 7"), 6u);
  EXPECT_EQ(library.Find<void()>("rozovevi_no_such_function"), nullptr);
}

TEST(SharedLibraryTest, OpensTheLibraryInTheFolderTheBuildFoundItIn) {
  const PrivateLibraryFolder folder;
  const SharedLibrary library(folder.path(), kPrivateSoname);
  EXPECT_EQ(library.failure(), "");
  EXPECT_NE(library.Find<std::size_t(const char*)>("strlen"), nullptr);
}

TEST(SharedLibraryTest, SearchesForTheSonameWhereTheFolderLacksIt) {
  const rozovevi::testing::ScratchDirectory empty_folder;
  const SharedLibrary library(empty_folder.path(), kCLibrary);
  EXPECT_EQ(library.failure(), "");
  EXPECT_NE(library.Find<std::size_t(const char*)>("strlen"), nullptr);
}

// Whoever sets LD_LIBRARY_PATH wants the loader's search, as a library linked at start would
// have it: the folder the build found the library in is then not looked in.
TEST(SharedLibraryTest, LeavesTheSearchToTheLoaderWhenLdLibraryPathIsSet) {
  const PrivateLibraryFolder folder;
  const rozovevi::testing::ScratchDirectory empty_folder;
  const ScopedEnvironment search_path("LD_LIBRARY_PATH", empty_folder.path());
  const SharedLibrary library(folder.path(), kPrivateSoname);
  EXPECT_NE(library.failure().find(kPrivateSoname), std::string::npos) << library.failure();
}

TEST(SharedLibraryTest, MissingLibraryFailsWithTheLoadersReasonAndFindsNothing) {
  const rozovevi::testing::ScratchDirectory empty_folder;
  const SharedLibrary library(empty_folder.path(), kMissingLibrary);
  EXPECT_NE(library.failure().find(kMissingLibrary), std::string::npos) << library.failure();
  EXPECT_EQ(library.Find<std::size_t(const char*)>("strlen"), nullptr);
}

}  // namespace
}  // namespace rozovevi::ioserver::standin::posix
