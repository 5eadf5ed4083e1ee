// Sending a frame and reading its reply with poll(): every wait bounded by the item's timeout.
#include "ioserver/standin/modbus/frame_exchange.h"

#include <modbus/modbus.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "ioserver/standin/modbus/modbus_reasons.h"

namespace rozovevi::ioserver::standin::modbus {
namespace {

using Clock = std::chrono::steady_clock;

// What is left of an earlier exchange is read away in pieces of this size, at most this often,
// so that a device that never stops talking cannot hold the request back for ever.
constexpr std::size_t kDrainPiece = 256;
constexpr int kMostDrainPieces = 64;
// Every transaction of a connection is its first: one request per connection.
constexpr std::uint16_t kTransaction = 1;

constexpr std::string_view kTimedOut = "timed out after ";
constexpr std::string_view kBadCrc = "bad CRC";
constexpr std::string_view kClosed = "connection closed";

// Waits for events on descriptor until deadline: true when they came, false on timeout; errno on
// failure is left in error.
bool WaitFor(int descriptor, short events, Clock::time_point deadline, int& error) {
  for (;;) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    pollfd waiting{descriptor, events, 0};
    const int ready = ::poll(&waiting, 1, left.count() > 0 ? static_cast<int>(left.count()) : 0);
    if (ready > 0) return true;
    if (ready == 0) return false;
    if (errno != EINTR) {
      error = errno;
      return false;
    }
  }
}

class Call {
 public:
  explicit Call(const Exchange& exchange) : exchange_(exchange) {}

  void Frame(FrameDirection direction, std::string_view bytes) const {
    if (exchange_.trace != nullptr && !bytes.empty()) exchange_.trace->Frame(direction, bytes, {});
  }
  void Event(const std::string& what) const {
    if (exchange_.trace != nullptr) exchange_.trace->Event(what);
  }

  // Reads whatever is already waiting, without waiting for more.
  void DropStaleBytes() const {
    std::size_t dropped = 0;
    char piece[kDrainPiece];
    for (int i = 0; i < kMostDrainPieces; ++i) {
      pollfd waiting{exchange_.descriptor, POLLIN, 0};
      if (::poll(&waiting, 1, 0) <= 0 || (waiting.revents & POLLIN) == 0) break;
      const ssize_t got = ::read(exchange_.descriptor, piece, sizeof piece);
      if (got <= 0) break;  // A closed or failed connection shows when the request is sent.
      dropped += static_cast<std::size_t>(got);
    }
    if (dropped > 0) {
      Event("dropped " + std::to_string(dropped) + " bytes that came before the request");
    }
  }

  int Send(std::string_view frame) const {
    std::size_t sent = 0;
    int error = 0;
    const Clock::time_point deadline = Clock::now() + exchange_.timeout;
    while (sent < frame.size()) {
      if (!WaitFor(exchange_.descriptor, POLLOUT, deadline, error)) {
        Frame(FrameDirection::kSent, frame.substr(0, sent));
        return error != 0 ? error : ETIMEDOUT;
      }
      const char* from = frame.data() + sent;
      const std::size_t size = frame.size() - sent;
      const ssize_t wrote = exchange_.socket
                                ? ::send(exchange_.descriptor, from, size, MSG_NOSIGNAL)
                                : ::write(exchange_.descriptor, from, size);
      if (wrote < 0) {
        if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK) continue;
        const int failed = errno;
        Frame(FrameDirection::kSent, frame.substr(0, sent));
        return failed;
      }
      sent += static_cast<std::size_t>(wrote);
    }
    Frame(FrameDirection::kSent, frame);
    return 0;
  }

  // What ended an exchange short, as a line of its own, after the bytes that did go over.
  void NoteEnd(int error) const {
    if (error == ETIMEDOUT) Event(std::string(kTimedOut) + SecondsText(exchange_.timeout));
    if (error == ECONNRESET || error == EPIPE) Event(std::string(kClosed));
  }

  // Reads the reply into reply; 0, or why it ended short. The whole reply must come within the
  // timeout, so that a device trickling its bytes cannot hold the call past it.
  int Receive(Bytes& reply) const {
    char piece[MODBUS_MAX_ADU_LENGTH];
    const Clock::time_point deadline = Clock::now() + exchange_.timeout;
    for (std::size_t wanted = ReplyFrameLength(exchange_.framing, reply); reply.size() < wanted;
         wanted = ReplyFrameLength(exchange_.framing, reply)) {
      int error = 0;
      if (!WaitFor(exchange_.descriptor, POLLIN, deadline, error)) {
        return error != 0 ? error : ETIMEDOUT;
      }
      const std::size_t asked = std::min(wanted - reply.size(), sizeof piece);
      const ssize_t got = ::read(exchange_.descriptor, piece, asked);
      if (got == 0) return ECONNRESET;
      if (got < 0) {
        if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK) continue;
        return errno;
      }
      reply.append(piece, static_cast<std::size_t>(got));
    }
    return 0;
  }

 private:
  const Exchange& exchange_;
};

}  // namespace

std::variant<Bytes, int> Transact(const Exchange& exchange, std::string_view request) {
  const Call call(exchange);
  call.DropStaleBytes();
  const Bytes sent = FrameRequest(exchange.framing, exchange.unit, kTransaction, request);
  if (const int error = call.Send(sent); error != 0) {
    call.NoteEnd(error);
    return error;
  }
  Bytes reply;
  const int ended = call.Receive(reply);
  call.Frame(FrameDirection::kReceived, reply);
  if (ended != 0) {
    call.NoteEnd(ended);
    return ended;
  }
  const int checked = CheckReplyFrame(exchange.framing, sent, reply);
  if (checked == EMBBADCRC) call.Event(std::string(kBadCrc));
  if (checked != 0) return checked;
  return Bytes(ReplyPdu(exchange.framing, reply));
}

}  // namespace rozovevi::ioserver::standin::modbus
