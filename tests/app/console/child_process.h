// Runs a program as a child process, with pipes or a pseudo-terminal for its standard streams,
// and waits a bounded time for it.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace rozovevi::testing {

struct Finished {
  int status = -1;  // The exit status, or -1 when it did not exit normally in time.
  std::string output;
  std::string error;
};

// Runs program with arguments; input is written to its standard input, which is then closed.
// With output_path set, standard output goes to that file instead of a pipe.
Finished RunWithPipes(const std::string& program, const std::vector<std::string>& arguments,
                      const std::string& input = "", const std::string& output_path = "");

// As RunWithPipes, with standard input fed chunk over and over, as `yes` feeds it, until the
// program stops reading it or the time limit is up.
Finished RunFedEndlessly(const std::string& program, const std::vector<std::string>& arguments,
                         const std::string& chunk);
// Runs program with pipes and no input; each time its standard output grows, calls react with
// all of it so far and the child's process id (to change what it watches, or signal it).
Finished RunReacting(const std::string& program, const std::vector<std::string>& arguments,
                     const std::function<void(const std::string& output, int pid)>& react);

// Runs program on a pseudo-terminal: once the terminal shows `prompt`, types `typed`. Everything
// the terminal showed is returned as output (error stays empty).
Finished RunOnTerminal(const std::string& program, const std::vector<std::string>& arguments,
                       const std::string& prompt, const std::string& typed);

}  // namespace rozovevi::testing
