// The first harness's checks, carried by GoogleTest until every Windows test is
// written with it.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "tests/win32/support/test_options.h"

namespace rozovevi::tests::check {

inline std::string Option(std::string_view name) {
  return support::TestOption(name);
}

inline void Fail(const char *file, int line, const std::string &message,
                 bool /*fatal*/) {
  ADD_FAILURE_AT(file, line) << message;
}

} // namespace rozovevi::tests::check

#define CHECK(condition)                                                       \
  do {                                                                         \
    EXPECT_TRUE(condition);                                                    \
  } while (false)
#define REQUIRE(condition) ASSERT_TRUE(condition)
#define CHECK_EQ(expected, actual) EXPECT_EQ(expected, actual)
#define REQUIRE_EQ(expected, actual) ASSERT_EQ(expected, actual)
