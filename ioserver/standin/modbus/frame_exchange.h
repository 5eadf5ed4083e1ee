// One request and its reply over an open descriptor (a TCP socket or a serial line), framed by
// this client itself, so that a trace shows exactly the bytes that went over the wire.
#pragma once

#include <chrono>
#include <string>
#include <variant>

#include "ioserver/standin/frame_trace.h"
#include "ioserver/standin/modbus/adu_framing.h"

namespace rozovevi::ioserver::standin::modbus {

struct Exchange {
  int descriptor = -1;
  bool socket = false;  // Written with send(), so that a closed peer is an error, not SIGPIPE.
  Framing framing = Framing::kTcp;
  std::uint8_t unit = 0;
  std::chrono::microseconds timeout{};
  FrameTrace* trace = nullptr;  // May be null.
};

// Drops what arrived before the request, sends the request framed for exchange, and reads the
// reply as long as its header, its function code and its byte count say, each wait at most the
// timeout; bytes after the reply stay unread. Returns the reply's PDU, checked against the
// request, or a libmodbus error number (ETIMEDOUT, ECONNRESET, EMBBADCRC, EMBBADSLAVE,
// EMBBADDATA, MODBUS_ENOBASE + an exception code, or the errno of a failed system call).
std::variant<Bytes, int> Transact(const Exchange& exchange, std::string_view request);

}  // namespace rozovevi::ioserver::standin::modbus
