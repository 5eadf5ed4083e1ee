// The test servers: libmodbus's own request handling on a loopback socket or a pseudo-terminal.
#include "tests/ioserver/standin/modbus/test_servers.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <pty.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <functional>
#include <stdexcept>

namespace rozovevi::ioserver::standin::modbus::testing_support {
namespace {

// Every wait of a server thread, so that it notices a stop this soon.
constexpr int kPollMilliseconds = 50;
constexpr std::uint32_t kWaitMicroseconds = 50000;
constexpr int kTcpUnitByte = 6;  // In the MBAP header.

// The bounds of the scripted server's waits.
constexpr int kRequestPauseMilliseconds = 50;
constexpr auto kLongestHold = std::chrono::seconds(5);

void Require(bool ok, const char* what) {
  if (!ok) throw std::runtime_error(std::string(what) + ": " + std::strerror(errno));
}

// A listening socket on an ephemeral port of the loopback; port receives the port.
int ListenOnLoopback(bool ipv6, std::uint16_t& port) {
  const int listener = ::socket(ipv6 ? AF_INET6 : AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  Require(listener >= 0, "socket");
  const int yes = 1;
  ::setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  sockaddr_storage address{};
  socklen_t size = 0;
  if (ipv6) {
    auto& in6 = reinterpret_cast<sockaddr_in6&>(address);
    in6.sin6_family = AF_INET6;
    in6.sin6_addr = in6addr_loopback;
    size = sizeof in6;
  } else {
    auto& in = reinterpret_cast<sockaddr_in&>(address);
    in.sin_family = AF_INET;
    in.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    size = sizeof in;
  }
  if (::bind(listener, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
      ::listen(listener, 4) != 0 ||
      ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
    const int error = errno;
    ::close(listener);
    errno = error;
    Require(false, "listen on the loopback");
  }
  port = ntohs(ipv6 ? reinterpret_cast<sockaddr_in6&>(address).sin6_port
                    : reinterpret_cast<sockaddr_in&>(address).sin_port);
  return listener;
}

// A reply to an RTU read request with zeros for the registers and a CRC that is wrong.
void WriteBadCrcReply(int descriptor, const std::uint8_t* request) {
  const int count = (request[4] << 8) | request[5];
  std::vector<std::uint8_t> reply = {request[0], request[1], static_cast<std::uint8_t>(2 * count)};
  reply.resize(reply.size() + static_cast<std::size_t>(2 * count), 0);
  reply.push_back(0x12);
  reply.push_back(0x34);
  static_cast<void>(::write(descriptor, reply.data(), reply.size()));
}

bool WaitUntil(std::chrono::milliseconds limit, const std::function<bool()>& done) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

}  // namespace

TestServer::TestServer(modbus_t* context, int unit)
    : context_(context),
      mapping_(modbus_mapping_new(kItemsPerTable, kItemsPerTable, kItemsPerTable, kItemsPerTable)),
      unit_(unit) {
  Require(context_ != nullptr && mapping_ != nullptr, "cannot make the test server");
  modbus_set_slave(context_, unit);
  modbus_set_indication_timeout(context_, 0, kWaitMicroseconds);
}

TestServer::~TestServer() {
  modbus_mapping_free(mapping_);
  modbus_free(context_);
}

void TestServer::Stop() {
  stopping_ = true;
  if (thread_.joinable()) thread_.join();
}

void TestServer::SetHolding(int offset, std::vector<std::uint16_t> registers) {
  const std::lock_guard<std::mutex> lock(mutex_);
  for (std::size_t i = 0; i < registers.size(); ++i) {
    mapping_->tab_registers[static_cast<std::size_t>(offset) + i] = registers[i];
  }
}

void TestServer::SetInput(int offset, std::vector<std::uint16_t> registers) {
  const std::lock_guard<std::mutex> lock(mutex_);
  for (std::size_t i = 0; i < registers.size(); ++i) {
    mapping_->tab_input_registers[static_cast<std::size_t>(offset) + i] = registers[i];
  }
}

void TestServer::SetCoil(int offset, bool on) {
  const std::lock_guard<std::mutex> lock(mutex_);
  mapping_->tab_bits[offset] = on ? 1 : 0;
}

void TestServer::SetDiscrete(int offset, bool on) {
  const std::lock_guard<std::mutex> lock(mutex_);
  mapping_->tab_input_bits[offset] = on ? 1 : 0;
}

std::vector<std::uint16_t> TestServer::Holding(int offset, int count) const {
  const std::lock_guard<std::mutex> lock(mutex_);
  return std::vector<std::uint16_t>(mapping_->tab_registers + offset,
                                    mapping_->tab_registers + offset + count);
}

bool TestServer::Coil(int offset) const {
  const std::lock_guard<std::mutex> lock(mutex_);
  return mapping_->tab_bits[offset] != 0;
}

void TestServer::Answer(Behaviour behaviour, int exception) {
  const std::lock_guard<std::mutex> lock(mutex_);
  behaviour_ = behaviour;
  exception_ = exception;
}

std::vector<std::vector<std::uint8_t>> TestServer::Requests() const {
  const std::lock_guard<std::mutex> lock(mutex_);
  return requests_;
}

bool TestServer::Serve(int descriptor) {
  modbus_set_socket(context_, descriptor);
  std::uint8_t request[MODBUS_MAX_ADU_LENGTH];
  while (!stopping_) {
    const int length = modbus_receive(context_, request);
    if (length < 0) {
      if (errno == ETIMEDOUT) continue;
      return errno == ECONNRESET;
    }
    if (length == 0) continue;  // For another unit.
    NoteRequest();
    const std::lock_guard<std::mutex> lock(mutex_);
    requests_.emplace_back(request, request + length);
    switch (behaviour_) {
      case Behaviour::kAnswer:
        if (ForThisUnit(request)) {
          modbus_reply(context_, request, length, mapping_);
        } else {
          modbus_reply_exception(context_, request, MODBUS_EXCEPTION_GATEWAY_TARGET);
        }
        break;
      case Behaviour::kException:
        modbus_reply_exception(context_, request, static_cast<unsigned>(exception_));
        break;
      case Behaviour::kBadCrc:
        SendBadCrc(descriptor, request);
        break;
      case Behaviour::kNeverAnswer:
        break;
    }
  }
  return false;
}

TcpTestServer::TcpTestServer(int unit, bool ipv6, Frames frames)
    : TestServer(frames == Frames::kTcp ? modbus_new_tcp("127.0.0.1", 0)
                                        : modbus_new_rtu("/dev/null", 19200, 'N', 8, 1),
                 unit),
      frames_(frames) {
  listener_ = ListenOnLoopback(ipv6, port_);
  thread_ = std::thread([this] { Run(); });
}

TcpTestServer::~TcpTestServer() {
  Stop();
  ::close(listener_);
}

bool TcpTestServer::AllClosedWithin(std::chrono::milliseconds limit) const {
  return WaitUntil(limit, [this] { return closed_ == accepted_; });
}

bool TcpTestServer::ForThisUnit(const std::uint8_t* request) const {
  // libmodbus leaves out the requests for other units of RTU frames itself.
  return frames_ == Frames::kRtu || request[kTcpUnitByte] == unit();
}

void TcpTestServer::SendBadCrc(int descriptor, const std::uint8_t* request) {
  if (frames_ == Frames::kRtu) WriteBadCrcReply(descriptor, request);
}

void TcpTestServer::Run() {
  while (!stopping_) {
    pollfd waiting{listener_, POLLIN, 0};
    if (::poll(&waiting, 1, kPollMilliseconds) <= 0) continue;
    const int connection = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (connection < 0) continue;
    ++accepted_;
    if (Serve(connection)) ++closed_;
    ::close(connection);
  }
}

RtuTestServer::RtuTestServer(int unit)
    : TestServer(modbus_new_rtu("/dev/null", 19200, 'N', 8, 1), unit) {
  char name[256] = {};
  Require(::openpty(&master_, &slave_, name, nullptr, nullptr) == 0, "openpty");
  ::fcntl(master_, F_SETFD, FD_CLOEXEC);
  ::fcntl(slave_, F_SETFD, FD_CLOEXEC);
  device_ = name;
  thread_ = std::thread([this] {
    while (!stopping_) Serve(master_);
  });
}

RtuTestServer::~RtuTestServer() {
  Stop();
  ::close(slave_);
  ::close(master_);
}

LineSettings RtuTestServer::LastLineSettings() const { return {speed_, two_stop_bits_}; }

void RtuTestServer::NoteRequest() {
  termios settings{};
  if (::tcgetattr(slave_, &settings) != 0) return;
  speed_ = static_cast<unsigned>(::cfgetospeed(&settings));
  two_stop_bits_ = (settings.c_cflag & CSTOPB) != 0;
}

void RtuTestServer::SendBadCrc(int descriptor, const std::uint8_t* request) {
  WriteBadCrcReply(descriptor, request);
}

void RtuTestServer::SendUnasked(const std::vector<std::uint8_t>& bytes) {
  // Raw first: a terminal that echoes would hand the bytes straight back to this side.
  termios settings{};
  Require(::tcgetattr(slave_, &settings) == 0, "tcgetattr");
  ::cfmakeraw(&settings);
  Require(::tcsetattr(slave_, TCSANOW, &settings) == 0, "tcsetattr");
  static_cast<void>(::write(master_, bytes.data(), bytes.size()));
}

ScriptedTcpServer::ScriptedTcpServer(std::vector<ReplyPiece> script, bool hold_open)
    : script_(std::move(script)), hold_open_(hold_open) {
  listener_ = ListenOnLoopback(false, port_);
  thread_ = std::thread([this] { Run(); });
}

ScriptedTcpServer::~ScriptedTcpServer() {
  stopping_ = true;
  thread_.join();
  ::close(listener_);
}

std::vector<std::vector<std::uint8_t>> ScriptedTcpServer::Requests() const {
  const std::lock_guard<std::mutex> lock(mutex_);
  return requests_;
}

bool ScriptedTcpServer::AllClosedWithin(std::chrono::milliseconds limit) const {
  return WaitUntil(limit, [this] { return closed_ == accepted_; });
}

void ScriptedTcpServer::Run() {
  while (!stopping_) {
    pollfd waiting{listener_, POLLIN, 0};
    if (::poll(&waiting, 1, kPollMilliseconds) <= 0) continue;
    const int connection = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (connection < 0) continue;
    ++accepted_;
    Serve(connection);
    ::close(connection);
  }
}

void ScriptedTcpServer::Serve(int connection) {
  std::vector<std::uint8_t> request;
  std::uint8_t piece[MODBUS_MAX_ADU_LENGTH];
  const auto give_up = std::chrono::steady_clock::now() + kLongestHold;
  // The request: whatever arrives until the line goes quiet.
  while (std::chrono::steady_clock::now() < give_up && !stopping_) {
    pollfd waiting{connection, POLLIN, 0};
    if (::poll(&waiting, 1, kRequestPauseMilliseconds) <= 0) {
      if (!request.empty()) break;
      continue;
    }
    const ssize_t got = ::read(connection, piece, sizeof piece);
    if (got <= 0) {
      ++closed_;
      return;
    }
    request.insert(request.end(), piece, piece + got);
  }
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    requests_.push_back(request);
  }
  for (const ReplyPiece& each : script_) {
    std::this_thread::sleep_for(each.pause);
    static_cast<void>(::send(connection, each.bytes.data(), each.bytes.size(), MSG_NOSIGNAL));
  }
  // Either way the client must close its end: that is what is counted.
  if (!hold_open_) ::shutdown(connection, SHUT_WR);
  while (std::chrono::steady_clock::now() < give_up && !stopping_) {
    pollfd waiting{connection, POLLIN, 0};
    if (::poll(&waiting, 1, kPollMilliseconds) <= 0) continue;
    if (::read(connection, piece, sizeof piece) <= 0) {
      ++closed_;
      return;
    }
  }
}

std::uint16_t ClosedPort() {
  const int probe = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  Require(probe >= 0, "socket");
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  Require(::bind(probe, reinterpret_cast<sockaddr*>(&address), size) == 0, "bind");
  Require(::getsockname(probe, reinterpret_cast<sockaddr*>(&address), &size) == 0, "getsockname");
  ::close(probe);
  return ntohs(address.sin_port);
}

}  // namespace rozovevi::ioserver::standin::modbus::testing_support
