// The programs under test, named on the Windows test program's command line as --exe=PATH
// (ROZoveVI.exe) and --io-exe=PATH (rozovevi-io.exe), beside GoogleTest's own --gtest_* flags.
#pragma once

#include <string>
#include <string_view>

namespace rozovevi::tests::support {

// Takes the options from the arguments GoogleTest has left. Throws std::invalid_argument naming
// an argument that is none of them, so that a mistyped flag is not silently ignored.
void SetTestOptions(int argc, char** argv);

// The value of the option --name=VALUE, or empty when it was not given.
std::string TestOption(std::string_view name);

}  // namespace rozovevi::tests::support
