// The harness: registration, failure records and the run of all cases.
#include "tests/win32/check/check.h"

#include <cstdio>
#include <exception>
#include <vector>

namespace rozovevi::tests::check {
namespace {

struct TestCase {
  std::string full_name;
  TestBody body;
};

// Thrown by a fatal check to end the running case.
struct CaseAborted {};

std::vector<TestCase>& Registry() {
  static std::vector<TestCase> cases;
  return cases;
}

std::vector<std::string>& Arguments() {
  static std::vector<std::string> arguments;
  return arguments;
}

int g_failures_in_case = 0;

}  // namespace

bool Register(const char* suite, const char* name, TestBody body) {
  Registry().push_back(TestCase{std::string(suite) + "." + name, body});
  return true;
}

void Fail(const char* file, int line, const std::string& message, bool fatal) {
  ++g_failures_in_case;
  std::printf("  %s:%d: %s\n", file, line, message.c_str());
  std::fflush(stdout);
  if (fatal) throw CaseAborted{};
}

std::string Option(std::string_view name) {
  const std::string prefix = "--" + std::string(name) + "=";
  for (const std::string& argument : Arguments()) {
    if (argument.compare(0, prefix.size(), prefix) == 0) return argument.substr(prefix.size());
  }
  return std::string();
}

int RunAll(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) Arguments().push_back(argv[i]);
  const std::string filter = Option("filter");
  int passed = 0;
  int failed = 0;
  for (const TestCase& test : Registry()) {
    if (!filter.empty() && test.full_name.find(filter) == std::string::npos) continue;
    g_failures_in_case = 0;
    std::printf("[ RUN  ] %s\n", test.full_name.c_str());
    std::fflush(stdout);
    try {
      test.body();
    } catch (const CaseAborted&) {
      // Already recorded.
    } catch (const std::exception& error) {
      Fail("(test body)", 0, std::string("unexpected exception: ") + error.what(), false);
    }
    if (g_failures_in_case == 0) {
      ++passed;
      std::printf("[  OK  ] %s\n", test.full_name.c_str());
    } else {
      ++failed;
      std::printf("[ FAIL ] %s\n", test.full_name.c_str());
    }
    std::fflush(stdout);
  }
  std::printf("%d passed, %d failed\n", passed, failed);
  std::fflush(stdout);
  return failed == 0 && passed > 0 ? 0 : 1;
}

}  // namespace rozovevi::tests::check
