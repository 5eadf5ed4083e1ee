// The Windows test program's own command-line options.
#include "tests/win32/support/test_options.h"

#include <map>
#include <stdexcept>

namespace rozovevi::tests::support {
namespace {

constexpr std::string_view kOptionNames[] = {"exe", "io-exe"};

std::map<std::string, std::string, std::less<>>& Options() {
  static std::map<std::string, std::string, std::less<>> options;
  return options;
}

}  // namespace

void SetTestOptions(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view argument(argv[i]);
    bool known = false;
    for (std::string_view name : kOptionNames) {
      const std::string prefix = "--" + std::string(name) + "=";
      if (argument.substr(0, prefix.size()) == prefix) {
        Options()[std::string(name)] = std::string(argument.substr(prefix.size()));
        known = true;
      }
    }
    if (!known) {
      throw std::invalid_argument("unknown argument '" + std::string(argument) +
                                  "'; the test program takes --exe=PATH, --io-exe=PATH and "
                                  "GoogleTest's flags, such as --gtest_filter=ComRuntime.*");
    }
  }
}

std::string TestOption(std::string_view name) {
  const auto found = Options().find(name);
  return found == Options().end() ? std::string() : found->second;
}

}  // namespace rozovevi::tests::support
