// fork and exec with pipes or forkpty; every wait is bounded so a hung child fails the test.
#include "tests/app/console/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <stdexcept>

namespace rozovevi::testing {
namespace {

constexpr auto kTimeLimit = std::chrono::seconds(20);

using Clock = std::chrono::steady_clock;

int MillisecondsLeft(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
  return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

[[noreturn]] void Exec(const std::string& program, const std::vector<std::string>& arguments) {
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  signal(SIGPIPE, SIG_DFL);  // An ignored signal would stay ignored in the program.
  execv(program.c_str(), argv.data());
  _exit(127);
}

// Waits for the child until the deadline; kills it when time is up.
int Reap(pid_t child, Clock::time_point deadline) {
  int status = 0;
  while (waitpid(child, &status, WNOHANG) == 0) {
    if (Clock::now() > deadline) {
      kill(child, SIGKILL);
      waitpid(child, &status, 0);
      return -1;
    }
    usleep(1000);
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

struct Pipe {
  int ends[2] = {-1, -1};
  Pipe() {
    if (pipe2(ends, O_CLOEXEC) != 0) throw std::runtime_error("pipe2 failed");
  }
  ~Pipe() {
    CloseRead();
    CloseWrite();
  }
  void CloseRead() { Close(ends[0]); }
  void CloseWrite() { Close(ends[1]); }
  static void Close(int& end) {
    if (end >= 0) close(end);
    end = -1;
  }
};

using Reaction = std::function<void(const std::string& output, int pid)>;

// RunWithPipes, with the input sent once, or again and again when endless; react, when set, is
// called each time standard output grows.
Finished Run(const std::string& program, const std::vector<std::string>& arguments,
             const std::string& input, const std::string& output_path, bool endless,
             const Reaction& react = nullptr) {
  // A child that ends without reading its input must fail the write, not kill the test.
  signal(SIGPIPE, SIG_IGN);
  Pipe in, out, err;
  const pid_t child = fork();
  if (child < 0) throw std::runtime_error("fork failed");
  if (child == 0) {
    dup2(in.ends[0], STDIN_FILENO);
    if (output_path.empty()) {
      dup2(out.ends[1], STDOUT_FILENO);
    } else {
      const int file = open(output_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      if (file < 0) _exit(126);
      dup2(file, STDOUT_FILENO);
    }
    dup2(err.ends[1], STDERR_FILENO);
    Exec(program, arguments);
  }
  in.CloseRead();
  out.CloseWrite();
  err.CloseWrite();

  const auto deadline = Clock::now() + kTimeLimit;
  Finished finished;
  std::size_t sent = 0;
  if (input.empty()) in.CloseWrite();
  while (out.ends[0] >= 0 || err.ends[0] >= 0) {
    pollfd watched[3] = {
        {out.ends[0], POLLIN, 0}, {err.ends[0], POLLIN, 0}, {in.ends[1], POLLOUT, 0}};
    if (poll(watched, 3, MillisecondsLeft(deadline)) <= 0) break;
    if (watched[2].revents != 0) {
      const ssize_t written = write(in.ends[1], input.data() + sent, input.size() - sent);
      if (written > 0) sent += static_cast<std::size_t>(written);
      if (endless && sent == input.size()) sent = 0;
      if (written < 0 || sent == input.size()) in.CloseWrite();
    }
    for (int index = 0; index < 2; ++index) {
      if (watched[index].revents == 0) continue;
      char buffer[4096];
      const ssize_t got = read(watched[index].fd, buffer, sizeof buffer);
      Pipe& source = index == 0 ? out : err;
      if (got <= 0) {
        source.CloseRead();
      } else if (index == 1) {
        finished.error.append(buffer, static_cast<size_t>(got));
      } else {
        finished.output.append(buffer, static_cast<size_t>(got));
        if (react) react(finished.output, child);
      }
    }
  }
  finished.status = Reap(child, deadline);
  return finished;
}

}  // namespace

Finished RunWithPipes(const std::string& program, const std::vector<std::string>& arguments,
                      const std::string& input, const std::string& output_path) {
  return Run(program, arguments, input, output_path, false);
}

Finished RunFedEndlessly(const std::string& program, const std::vector<std::string>& arguments,
                         const std::string& chunk) {
  return Run(program, arguments, chunk, "", true);
}

Finished RunReacting(const std::string& program, const std::vector<std::string>& arguments,
                     const Reaction& react) {
  return Run(program, arguments, "", "", false, react);
}

Finished RunOnTerminal(const std::string& program, const std::vector<std::string>& arguments,
                       const std::string& prompt, const std::string& typed) {
  int terminal = -1;
  const pid_t child = forkpty(&terminal, nullptr, nullptr, nullptr);
  if (child < 0) throw std::runtime_error("forkpty failed");
  if (child == 0) Exec(program, arguments);

  const auto deadline = Clock::now() + kTimeLimit;
  Finished finished;
  bool answered = false;
  for (;;) {
    pollfd watched{terminal, POLLIN, 0};
    if (poll(&watched, 1, MillisecondsLeft(deadline)) <= 0) break;
    char buffer[4096];
    const ssize_t got = read(terminal, buffer, sizeof buffer);
    if (got <= 0) break;  // EIO once the child has gone and the terminal has no one left.
    finished.output.append(buffer, static_cast<std::size_t>(got));
    if (!answered && finished.output.find(prompt) != std::string::npos) {
      answered = true;
      if (write(terminal, typed.data(), typed.size()) != static_cast<ssize_t>(typed.size())) break;
    }
  }
  finished.status = Reap(child, deadline);
  close(terminal);
  return finished;
}

}  // namespace rozovevi::testing
