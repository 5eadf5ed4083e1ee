// Starts the node-opcua test server with posix_spawn in a process group of its own, reads the port
// it prints, and stops the whole group; every wait is bounded.
#include "tests/ioserver/standin/opc/node_opcua_server.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <deque>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "ioserver/standin/posix_support.h"
#include "tests/support/scratch_directory.h"

extern char** environ;

namespace rozovevi::ioserver::standin::opc::testing_support {
namespace {

using posix::UniqueFd;
using Clock = std::chrono::steady_clock;

// Set by CMake: the node program, and the folder the server was installed into.
constexpr char kNodeProgram[] = ROZOVEVI_NODE_EXECUTABLE;
constexpr char kServerFolder[] = ROZOVEVI_OPCUA_SERVER_DIR;
constexpr char kServerScript[] = "opcua_test_server.js";
constexpr char kLogName[] = "server.log";
constexpr char kPkiName[] = "pki";

// The server's own bound on its life, so that it ends even if nothing here gets to stop it.
constexpr std::chrono::minutes kServerLifetime{30};
// How often a wait for the process to end looks again.
constexpr std::chrono::milliseconds kExitPollStep{10};
// A port line is at most "65535\n"; more than this without a line end is not one.
constexpr std::size_t kLongestPortLine = 8;
constexpr std::size_t kLogTailLines = 20;
constexpr unsigned long kHighestPort = 65535;

std::string SystemError(const std::string& what, int error) {
  return what + ": " + std::strerror(error);
}

UniqueFd Pipe(UniqueFd& write_end) {
  int ends[2];
  if (pipe2(ends, O_CLOEXEC) != 0) throw ServerStartError(SystemError("pipe2", errno));
  write_end = UniqueFd(ends[1]);
  return UniqueFd(ends[0]);
}

// posix_spawn's file actions and attributes, destroyed when done.
class SpawnSettings {
 public:
  SpawnSettings() {
    posix_spawn_file_actions_init(&actions_);
    posix_spawnattr_init(&attributes_);
  }
  SpawnSettings(const SpawnSettings&) = delete;
  SpawnSettings& operator=(const SpawnSettings&) = delete;
  ~SpawnSettings() {
    posix_spawnattr_destroy(&attributes_);
    posix_spawn_file_actions_destroy(&actions_);
  }
  posix_spawn_file_actions_t* actions() { return &actions_; }
  posix_spawnattr_t* attributes() { return &attributes_; }

 private:
  posix_spawn_file_actions_t actions_;
  posix_spawnattr_t attributes_;
};

int MillisecondsLeft(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
  return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

// Whether the process has ended, without reaping it: while it is not reaped its process id, and
// so its group's, cannot be given to another process, so the group can still be signalled safely.
bool HasEnded(pid_t pid) {
  siginfo_t info{};
  return waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
         info.si_pid == pid;
}

bool EndsWithin(pid_t pid, Clock::duration limit) {
  const auto deadline = Clock::now() + limit;
  for (;;) {
    if (HasEnded(pid)) return true;
    if (Clock::now() >= deadline) return false;
    std::this_thread::sleep_for(kExitPollStep);
  }
}

std::string LastLines(const std::string& path) {
  std::ifstream log(path);
  std::deque<std::string> lines;
  for (std::string line; std::getline(log, line);) {
    lines.push_back(line);
    if (lines.size() > kLogTailLines) lines.pop_front();
  }
  std::string text;
  for (const std::string& line : lines) text += "\n  " + line;
  return text.empty() ? " (it wrote nothing to standard error)" : ":" + text;
}

std::uint16_t ParsePort(const std::string& line) {
  if (line.empty() || line.size() > kLongestPortLine - 1 ||
      line.find_first_not_of("0123456789") != std::string::npos) {
    throw ServerStartError("the server printed \"" + line + "\" instead of its port");
  }
  const unsigned long port = std::stoul(line);
  if (port == 0 || port > kHighestPort) throw ServerStartError("the server printed port " + line);
  return static_cast<std::uint16_t>(port);
}

}  // namespace

struct NodeOpcuaServer::Child {
  std::optional<rozovevi::testing::ScratchDirectory> files{std::in_place, "rozovevi-opcua-"};
  UniqueFd input;   // The server's standard input; it ends when this closes.
  UniqueFd output;  // Its standard output, where the port line comes.
  bool reaped = false;
  Ending ending = Ending::kFailed;

  std::string LogPath() const { return *files / kLogName; }
};

std::string_view ConfigurationName(Configuration configuration) {
  switch (configuration) {
    case Configuration::kNormal:
      return "normal";
    case Configuration::kSecureOnly:
      return "secure-only";
    case Configuration::kUsersOnly:
      return "users-only";
  }
  return "normal";
}

NodeOpcuaServer::NodeOpcuaServer(Configuration configuration, Loopback loopback)
    : child_(std::make_unique<Child>()), loopback_(loopback) {
  UniqueFd input_read = Pipe(child_->input);
  UniqueFd output_write;
  child_->output = Pipe(output_write);
  const std::string log_path = child_->LogPath();
  const UniqueFd log(open(log_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
  if (!log.valid()) throw ServerStartError(SystemError("cannot create " + log_path, errno));

  SpawnSettings settings;
  posix_spawn_file_actions_adddup2(settings.actions(), input_read.get(), STDIN_FILENO);
  posix_spawn_file_actions_adddup2(settings.actions(), output_write.get(), STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(settings.actions(), log.get(), STDERR_FILENO);
  // A group of its own, so that Stop reaches anything the server starts; default signal
  // handling and no blocked signals, whatever the test process has set.
  sigset_t defaults;
  sigemptyset(&defaults);
  for (const int signal : {SIGPIPE, SIGTERM, SIGINT, SIGCHLD}) sigaddset(&defaults, signal);
  sigset_t none;
  sigemptyset(&none);
  posix_spawnattr_setflags(settings.attributes(),
                           POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
  posix_spawnattr_setpgroup(settings.attributes(), 0);
  posix_spawnattr_setsigdefault(settings.attributes(), &defaults);
  posix_spawnattr_setsigmask(settings.attributes(), &none);

  std::vector<std::string> arguments = {
      kNodeProgram, std::string(kServerFolder) + "/" + kServerScript,
      "--host",     std::string(host()),
      "--port",     "0",
      "--config",   std::string(ConfigurationName(configuration)),
      "--pki",      *child_->files / kPkiName,
      "--lifetime", std::to_string(std::chrono::seconds(kServerLifetime).count()),
  };
  std::vector<char*> argv;
  for (std::string& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);
  const int spawned = posix_spawn(&pid_, kNodeProgram, settings.actions(), settings.attributes(),
                                  argv.data(), environ);
  if (spawned != 0) {
    pid_ = -1;
    throw ServerStartError(SystemError(std::string("cannot start ") + kNodeProgram, spawned));
  }
  input_read.Close();
  output_write.Close();

  try {
    const auto deadline = Clock::now() + kStartLimit;
    std::string line;
    for (;;) {
      pollfd watched{child_->output.get(), POLLIN, 0};
      const int ready = poll(&watched, 1, MillisecondsLeft(deadline));
      if (ready < 0 && errno == EINTR) continue;
      if (ready == 0) {
        throw ServerStartError("the server did not say it listens within " +
                               std::to_string(kStartLimit.count()) + " s");
      }
      if (ready < 0) throw ServerStartError(SystemError("poll", errno));
      char buffer[kLongestPortLine];
      const ssize_t got = read(child_->output.get(), buffer, sizeof buffer);
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) throw ServerStartError("the server ended before it listened");
      line.append(buffer, static_cast<std::size_t>(got));
      const std::size_t end = line.find('\n');
      if (end != std::string::npos) {
        port_ = ParsePort(line.substr(0, end));
        break;
      }
      if (line.size() >= kLongestPortLine) ParsePort(line);  // Throws: no line end in sight.
    }
  } catch (const ServerStartError& error) {
    const std::string log_tail = LastLines(log_path);
    Stop();
    throw ServerStartError(std::string(error.what()) + "; the server's last words" + log_tail);
  } catch (...) {
    Stop();  // Nothing is hidden: the fault goes on up, only the child is not left behind.
    throw;
  }
}

NodeOpcuaServer::~NodeOpcuaServer() { Stop(); }

std::string_view NodeOpcuaServer::host() const noexcept {
  return loopback_ == Loopback::kIpv6 ? "::1" : "127.0.0.1";
}

std::string NodeOpcuaServer::EndpointUrl() const {
  const std::string name(host());
  const std::string bracketed = loopback_ == Loopback::kIpv6 ? "[" + name + "]" : name;
  return "opc.tcp://" + bracketed + ":" + std::to_string(port_);
}

std::string NodeOpcuaServer::Address(std::string_view node) const {
  return "OPC:" + EndpointUrl() + "#" + std::string(node);
}

Ending NodeOpcuaServer::Stop() {
  if (pid_ < 0 || child_->reaped) return child_->ending;
  bool killed = false;
  if (!HasEnded(pid_)) {
    kill(-pid_, SIGTERM);
    if (!EndsWithin(pid_, kStopLimit)) {
      kill(-pid_, SIGKILL);
      killed = true;
    }
  }
  // Whatever else of its group is left; safe while the leader is not yet reaped.
  kill(-pid_, SIGKILL);
  int status = 0;
  while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
  }
  child_->reaped = true;
  if (killed || WIFSIGNALED(status)) {
    child_->ending = Ending::kKilled;
  } else {
    child_->ending = WEXITSTATUS(status) == 0 ? Ending::kExitedWhenAsked : Ending::kFailed;
  }
  child_->input.Close();
  child_->output.Close();
  child_->files.reset();
  return child_->ending;
}

bool NodeOpcuaServer::CloseInputAndWait(std::chrono::milliseconds limit) {
  if (pid_ < 0 || child_->reaped) return true;
  child_->input.Close();
  if (!EndsWithin(pid_, limit)) return false;
  Stop();  // Only reaps now: the process has ended.
  return true;
}

}  // namespace rozovevi::ioserver::standin::opc::testing_support
