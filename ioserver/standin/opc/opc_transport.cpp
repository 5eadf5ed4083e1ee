// The socket under an OPC UA exchange: lookup, a connect bounded by the timeout, and reads and
// writes that wait with poll so that no wait outlasts the timeout.
#include "ioserver/standin/opc/opc_transport.h"

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <sstream>
#include <system_error>
#include <thread>
#include <utility>

#include "ioserver/standin/opc/ua_binary.h"
#include "ioserver/standin/opc/ua_messages.h"

namespace rozovevi::ioserver::standin::opc {
namespace {

using std::chrono::duration_cast;
using std::chrono::milliseconds;

// What poll waits for at most, in milliseconds, until deadline (rounded up, at least 0).
int MillisecondsUntil(Transport::Clock::time_point deadline) {
  const auto left = deadline - Transport::Clock::now();
  if (left <= Transport::Clock::duration::zero()) return 0;
  return static_cast<int>(duration_cast<milliseconds>(left).count()) + 1;
}

// Waits until fd is ready for events or the deadline passes: 1 ready, 0 timed out, -1 errno.
int WaitFor(int fd, short events, Transport::Clock::time_point deadline) {
  while (true) {
    pollfd entry{fd, events, 0};
    const int ready = ::poll(&entry, 1, MillisecondsUntil(deadline));
    if (ready > 0) return 1;
    if (ready == 0) {
      if (Transport::Clock::now() >= deadline) return 0;
      continue;
    }
    if (errno != EINTR) return -1;
  }
}

// Connects fd to address by the deadline: 0, or the errno of the failure (ETIMEDOUT).
int ConnectBy(int fd, const addrinfo& address, Transport::Clock::time_point deadline) {
  if (::connect(fd, address.ai_addr, address.ai_addrlen) == 0) return 0;
  if (errno != EINPROGRESS) return errno;
  const int ready = WaitFor(fd, POLLOUT, deadline);
  if (ready == 0) return ETIMEDOUT;
  if (ready < 0) return errno;
  int error = 0;
  socklen_t size = sizeof error;
  if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) != 0) return errno;
  return error;
}

// An addrinfo list from getaddrinfo, freed by its owner.
struct AddressList {
  addrinfo* first = nullptr;
  AddressList() = default;
  AddressList(const AddressList&) = delete;
  AddressList& operator=(const AddressList&) = delete;
  ~AddressList() {
    if (first != nullptr) ::freeaddrinfo(first);
  }
};

// One name lookup, shared by the thread that makes it and the caller that may stop waiting.
struct Lookup {
  std::mutex mutex;
  std::condition_variable finished;
  bool done = false;
  int status = 0;
  int error = 0;
  AddressList found;
};

// getaddrinfo, but waiting at most until deadline: a resolver that does not answer would
// otherwise hold the call far past its timeout. The lookup runs in a thread of its own, which
// keeps what it fills in alive after a caller that gave up. Returns EAI_AGAIN on timeout.
int LookUpBy(const std::string& host, const std::string& port, const addrinfo& hints,
             Transport::Clock::time_point deadline, AddressList& into, bool& timed_out) {
  addrinfo numeric = hints;
  numeric.ai_flags |= AI_NUMERICHOST;
  const int literal = ::getaddrinfo(host.c_str(), port.c_str(), &numeric, &into.first);
  if (literal != EAI_NONAME) return literal;
  auto lookup = std::make_shared<Lookup>();
  try {
    std::thread([lookup, host, port, hints] {
      addrinfo* found = nullptr;
      const int status = ::getaddrinfo(host.c_str(), port.c_str(), &hints, &found);
      const int error = errno;
      std::lock_guard lock(lookup->mutex);
      lookup->found.first = found;
      lookup->status = status;
      lookup->error = error;
      lookup->done = true;
      lookup->finished.notify_all();
    }).detach();
  } catch (const std::system_error&) {
    // No thread to be had: look up here, bounded only by the resolver's own timeouts.
    return ::getaddrinfo(host.c_str(), port.c_str(), &hints, &into.first);
  }
  std::unique_lock lock(lookup->mutex);
  if (!lookup->finished.wait_until(lock, deadline, [&lookup] { return lookup->done; })) {
    timed_out = true;
    return EAI_AGAIN;
  }
  into.first = std::exchange(lookup->found.first, nullptr);
  errno = lookup->error;
  return lookup->status;
}

}  // namespace

std::string SecondsText(std::chrono::microseconds duration) {
  std::ostringstream text;
  text << std::chrono::duration<double>(duration).count() << " s";
  return text.str();
}

Socket& Socket::operator=(Socket&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = other.Release();
  }
  return *this;
}

Socket::~Socket() {
  if (fd_ >= 0) ::close(fd_);
}

Transport::Transport(Socket socket, std::chrono::microseconds timeout, std::string where,
                     FrameTrace* trace)
    : socket_(std::move(socket)), timeout_(timeout), where_(std::move(where)), trace_(trace) {}

Transport::~Transport() {
  if (socket_.get() >= 0) TraceEvent("connection closed");
}

std::variant<Transport, Status> Transport::Connect(const std::string& host, std::uint16_t port,
                                                   std::chrono::microseconds timeout,
                                                   std::string where, FrameTrace* trace) {
  const Clock::time_point deadline = Clock::now() + timeout;
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_NUMERICSERV;
  AddressList addresses;
  const std::string port_text = std::to_string(port);
  bool lookup_timed_out = false;
  const int looked_up = LookUpBy(host, port_text, hints, deadline, addresses, lookup_timed_out);
  if (lookup_timed_out) {
    if (trace != nullptr) trace->Event("timed out looking up the host");
    return Status::Failure("timed out after " + SecondsText(timeout) + " looking up the host " +
                           host + ": check the name and the DNS servers");
  }
  if (looked_up != 0) {
    return Status::Failure("cannot find the host " + host + ": " +
                           (looked_up == EAI_SYSTEM ? std::string(std::strerror(errno))
                                                    : std::string(::gai_strerror(looked_up))));
  }
  int error = 0;
  for (const addrinfo* each = addresses.first; each != nullptr; each = each->ai_next) {
    Socket socket(::socket(each->ai_family, each->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC,
                           each->ai_protocol));
    if (socket.get() < 0) {
      error = errno;
      continue;
    }
    error = ConnectBy(socket.get(), *each, deadline);
    if (error == 0) {
      // Each request waits for its reply: send it at once rather than wait to fill a segment.
      const int on = 1;
      ::setsockopt(socket.get(), IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
      Transport transport(std::move(socket), timeout, std::move(where), trace);
      transport.TraceEvent("connected");
      return transport;
    }
    if (error == ETIMEDOUT) break;
  }
  if (trace != nullptr)
    trace->Event(error == ETIMEDOUT ? "timed out connecting" : "connect failed");
  switch (error) {
    case ECONNREFUSED:
      return Status::Failure("connection refused by " + where +
                             ": no OPC UA server listens there (check the host and the port)");
    case ETIMEDOUT:
      return Status::Failure("timed out after " + SecondsText(timeout) + " connecting to " + where +
                             ": check the address, the port and the network");
    default:
      return Status::Failure("cannot connect to " + where + ": " + std::strerror(error));
  }
}

void Transport::TraceReceived(std::string_view frame, std::string_view label) {
  if (trace_ != nullptr) trace_->Frame(FrameDirection::kReceived, frame, label);
}

void Transport::TraceEvent(std::string_view what) {
  if (trace_ != nullptr) trace_->Event(what);
}

Status Transport::Send(std::string_view frame, std::string_view label) {
  if (trace_ != nullptr) trace_->Frame(FrameDirection::kSent, frame, label);
  const Clock::time_point deadline = Deadline();
  while (!frame.empty()) {
    const ssize_t sent = ::send(socket_.get(), frame.data(), frame.size(), MSG_NOSIGNAL);
    if (sent > 0) {
      frame.remove_prefix(static_cast<std::size_t>(sent));
      continue;
    }
    if (sent < 0 && errno == EINTR) continue;
    if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      const int ready = WaitFor(socket_.get(), POLLOUT, deadline);
      if (ready > 0) continue;
      if (ready == 0) {
        TraceEvent("timed out after " + SecondsText(timeout_) + " sending");
        return Status::Failure("timed out after " + SecondsText(timeout_) + " sending " +
                               std::string(label) + " to " + where_ +
                               ": the server takes no more data");
      }
    }
    const int error = errno;
    TraceEvent("connection closed");
    if (error == EPIPE || error == ECONNRESET) {
      return Status::Failure(where_ + " closed the connection in the middle of the exchange (" +
                             "sending " + std::string(label) + ")");
    }
    return Status::Failure("cannot send to " + where_ + ": " + std::strerror(error));
  }
  return Status::Ok();
}

Status Transport::ReadExactly(char* into, std::size_t count, Clock::time_point deadline,
                              std::string_view waiting_for) {
  while (count > 0) {
    const ssize_t got = ::recv(socket_.get(), into, count, 0);
    if (got > 0) {
      into += got;
      count -= static_cast<std::size_t>(got);
      continue;
    }
    if (got == 0 || (errno == ECONNRESET)) {
      TraceEvent("connection closed");
      return Status::Failure(where_ + " closed the connection in the middle of the exchange " +
                             "(waiting for " + std::string(waiting_for) + ")");
    }
    if (errno == EINTR) continue;
    if (errno != EAGAIN && errno != EWOULDBLOCK) {
      return Status::Failure("cannot receive from " + where_ + ": " + std::strerror(errno));
    }
    const int ready = WaitFor(socket_.get(), POLLIN, deadline);
    if (ready < 0) {
      return Status::Failure("cannot receive from " + where_ + ": " + std::strerror(errno));
    }
    if (ready == 0) {
      TraceEvent("timed out after " + SecondsText(timeout_));
      return Status::Failure("timed out after " + SecondsText(timeout_) + " waiting for " +
                             std::string(waiting_for) + " from " + where_ +
                             ": check that it is an OPC UA server and that it is not overloaded "
                             "(or raise timeout=)");
    }
  }
  return Status::Ok();
}

Status Transport::Receive(Clock::time_point deadline, std::size_t largest,
                          std::string_view waiting_for, std::string& frame) {
  frame.assign(kMessageHeaderSize, '\0');
  if (Status read = ReadExactly(frame.data(), kMessageHeaderSize, deadline, waiting_for);
      !read.ok()) {
    return read;
  }
  const std::string_view type = std::string_view(frame).substr(0, 3);
  if (type != kAcknowledge && type != kError && type != kOpen && type != kMessage &&
      type != kClose) {
    TraceReceived(frame, "");
    return Status::Failure(where_ + " broke the protocol: its reply is no OPC UA message " +
                           "(is it an OPC UA server?)");
  }
  Decoder header(std::string_view(frame).substr(4));
  const std::uint32_t size = header.UInt32();
  if (size < kMessageHeaderSize) {
    TraceReceived(frame, "");
    return Status::Failure(where_ + " broke the protocol: a message of " + std::to_string(size) +
                           " bytes, shorter than its header");
  }
  if (size > largest) {
    TraceReceived(frame, "");
    return Status::Failure(where_ + " broke the protocol: a message of " + std::to_string(size) +
                           " bytes where at most " + std::to_string(largest) +
                           " are allowed (too large)");
  }
  frame.resize(size);
  return ReadExactly(frame.data() + kMessageHeaderSize, size - kMessageHeaderSize, deadline,
                     waiting_for);
}

}  // namespace rozovevi::ioserver::standin::opc
