// One TCP connection to an OPC UA server, owned: connected within a timeout, every wait for the
// server bounded, every frame told to the trace, and closed on every path.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

#include "ioserver/standin/frame_trace.h"
#include "ioserver/status.h"

namespace rozovevi::ioserver::standin::opc {

// A socket descriptor that is closed when its owner goes.
class Socket {
 public:
  Socket() = default;
  explicit Socket(int fd) : fd_(fd) {}
  Socket(Socket&& other) noexcept : fd_(other.Release()) {}
  Socket& operator=(Socket&& other) noexcept;
  Socket(const Socket&) = delete;
  Socket& operator=(const Socket&) = delete;
  ~Socket();

  int get() const { return fd_; }
  int Release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
  }

 private:
  int fd_ = -1;
};

class Transport {
 public:
  using Clock = std::chrono::steady_clock;

  // Connects to host and port within timeout. where names the server in reasons
  // ("opc.tcp://plc1:4840"). trace may be null.
  static std::variant<Transport, Status> Connect(const std::string& host, std::uint16_t port,
                                                 std::chrono::microseconds timeout,
                                                 std::string where, FrameTrace* trace);

  Transport(Transport&&) = default;
  Transport& operator=(Transport&&) = default;
  // Closing is the socket's destructor; the trace hears of it.
  ~Transport();

  // Sends one whole frame, waiting at most the timeout for room; label names it for the trace.
  Status Send(std::string_view frame, std::string_view label);

  // Receives one whole frame (header, then the rest its size gives) by the deadline, refusing
  // one larger than largest bytes before reading its body. waiting_for names what was awaited,
  // for the reasons ("the reply to ReadRequest").
  Status Receive(Clock::time_point deadline, std::size_t largest, std::string_view waiting_for,
                 std::string& frame);

  // Tells the trace of a frame received (the caller labels it once it knows what it is).
  void TraceReceived(std::string_view frame, std::string_view label);
  void TraceEvent(std::string_view what);

  Clock::time_point Deadline() const { return Clock::now() + timeout_; }
  std::chrono::microseconds timeout() const { return timeout_; }
  const std::string& where() const { return where_; }

 private:
  Transport(Socket socket, std::chrono::microseconds timeout, std::string where, FrameTrace* trace);
  Status ReadExactly(char* into, std::size_t count, Clock::time_point deadline,
                     std::string_view waiting_for);

  Socket socket_;
  std::chrono::microseconds timeout_;
  std::string where_;
  FrameTrace* trace_;
};

// "2 s", "0.5 s".
std::string SecondsText(std::chrono::microseconds duration);

}  // namespace rozovevi::ioserver::standin::opc
