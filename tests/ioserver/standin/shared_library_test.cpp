// Libraries opened when first needed: a function found is the library's own and can be called,
// and a library or function that is missing is a clear failure, never a crash.
#include "ioserver/standin/shared_library.h"

#include <gtest/gtest.h>

#include <cstddef>

namespace rozovevi::ioserver::standin::posix {
namespace {

constexpr char kCLibrary[] = "libc.so.6";
constexpr char kMissingLibrary[] = "librozovevi-no-such-library.so.0";

TEST(SharedLibraryTest, FindsAndCallsTheLibrarysOwnFunction) {
  const SharedLibrary library(kCLibrary);
  EXPECT_EQ(library.failure(), "");
  auto* length = library.Find<std::size_t(const char*)>("strlen");
  ASSERT_NE(length, nullptr);
  EXPECT_EQ(length("tank 7"), 6u);
  EXPECT_EQ(library.Find<void()>("rozovevi_no_such_function"), nullptr);
}

TEST(SharedLibraryTest, MissingLibraryFailsWithTheLoadersReasonAndFindsNothing) {
  const SharedLibrary library(kMissingLibrary);
  EXPECT_NE(library.failure().find(kMissingLibrary), std::string::npos) << library.failure();
  EXPECT_EQ(library.Find<std::size_t(const char*)>("strlen"), nullptr);
}

}  // namespace
}  // namespace rozovevi::ioserver::standin::posix
