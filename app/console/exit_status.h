// The exit statuses of rozovevi-io, which scripts test instead of reading its messages.
#pragma once

namespace rozovevi::app::console::exit_status {

constexpr int kDone = 0;
// The server reported the call as failed ("Communication Failed!").
constexpr int kFailed = 1;
// The command line was wrong, or the address was empty.
constexpr int kUsage = 2;
// The I/O server, or creating it, raised an error.
constexpr int kRaisedError = 3;
// A write was not confirmed: answered no, or no terminal to ask and no --yes.
constexpr int kNotConfirmed = 4;
// The value read could not be passed on whole on standard output.
constexpr int kOutputFailed = 5;

}  // namespace rozovevi::app::console::exit_status
