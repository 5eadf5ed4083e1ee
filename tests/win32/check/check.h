// A small self-contained test harness for the Windows tests: GoogleTest is not packaged for the
// MinGW cross toolchain. TEST registers a case; CHECK and CHECK_EQ record a failure and go on;
// REQUIRE and REQUIRE_EQ end the case.
#pragma once

#include <cstdint>
#include <sstream>
#include <string>
#include <string_view>
#include <type_traits>

#include "ioserver/utf8.h"

namespace rozovevi::tests::check {

using TestBody = void (*)();

bool Register(const char* suite, const char* name, TestBody body);

// Records a failure of the running case; fatal ends the case.
void Fail(const char* file, int line, const std::string& message, bool fatal);

// A command-line option "--name=value" given to the test program, or empty.
std::string Option(std::string_view name);

// Runs every registered case whose "Suite.Name" contains the --filter option. Prints one line per
// failure and, last, "N passed, M failed". Returns the process exit code.
int RunAll(int argc, char** argv);

template <typename T>
std::string Show(const T& value) {
  if constexpr (std::is_same_v<T, std::u16string> || std::is_same_v<T, std::u16string_view>) {
    return "u\"" + ioserver::EncodeUtf8Lossy(value) + "\"";
  } else if constexpr (std::is_convertible_v<T, std::u16string_view>) {
    return "u\"" + ioserver::EncodeUtf8Lossy(std::u16string_view(value)) + "\"";
  } else if constexpr (std::is_convertible_v<T, std::string_view>) {
    return "\"" + std::string(std::string_view(value)) + "\"";
  } else if constexpr (std::is_enum_v<T>) {
    return std::to_string(static_cast<long long>(value));
  } else if constexpr (std::is_same_v<T, bool>) {
    return value ? "true" : "false";
  } else if constexpr (std::is_arithmetic_v<T>) {
    std::ostringstream text;
    text << +value;
    return text.str();
  } else {
    return "(value)";
  }
}

template <typename A, typename B>
void CheckEqual(const A& expected, const B& actual, const char* expected_text,
                const char* actual_text, const char* file, int line, bool fatal) {
  if (expected == actual) return;
  Fail(file, line,
       std::string(actual_text) + " is " + Show(actual) + ", expected " + expected_text + " = " +
           Show(expected),
       fatal);
}

}  // namespace rozovevi::tests::check

#define ROZOVEVI_TEST_NAME(suite, name) suite##_##name##_Test

#define TEST(suite, name)                                                                  \
  static void ROZOVEVI_TEST_NAME(suite, name)();                                           \
  [[maybe_unused]] static const bool suite##_##name##_registered =                         \
      ::rozovevi::tests::check::Register(#suite, #name, &ROZOVEVI_TEST_NAME(suite, name)); \
  static void ROZOVEVI_TEST_NAME(suite, name)()

#define CHECK(condition)                                                                     \
  do {                                                                                       \
    if (!(condition)) ::rozovevi::tests::check::Fail(__FILE__, __LINE__, #condition, false); \
  } while (false)

#define REQUIRE(condition)                                                                  \
  do {                                                                                      \
    if (!(condition)) ::rozovevi::tests::check::Fail(__FILE__, __LINE__, #condition, true); \
  } while (false)

#define CHECK_EQ(expected, actual)                                                         \
  ::rozovevi::tests::check::CheckEqual((expected), (actual), #expected, #actual, __FILE__, \
                                       __LINE__, false)

#define REQUIRE_EQ(expected, actual)                                                       \
  ::rozovevi::tests::check::CheckEqual((expected), (actual), #expected, #actual, __FILE__, \
                                       __LINE__, true)

// Checks that statement throws ExceptionType; binds it to `error` for further checks in the
// block that follows.
#define CHECK_THROWS_AS(statement, ExceptionType)                                         \
  do {                                                                                    \
    bool thrown = false;                                                                  \
    try {                                                                                 \
      statement;                                                                          \
    } catch (const ExceptionType&) {                                                      \
      thrown = true;                                                                      \
    }                                                                                     \
    if (!thrown) {                                                                        \
      ::rozovevi::tests::check::Fail(__FILE__, __LINE__,                                  \
                                     #statement " did not throw " #ExceptionType, false); \
    }                                                                                     \
  } while (false)
