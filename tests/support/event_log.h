// One ordered log of what the window and the server saw, shared by the fakes.
#pragma once

#include <string>
#include <vector>

namespace rozovevi::testing {

// Events are short UTF-8 lines such as "cmdRead.Enabled=False" or "server#1.Silent(True)".
using EventLog = std::vector<std::string>;

}  // namespace rozovevi::testing
