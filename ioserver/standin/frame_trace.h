// What a kind of address tells about the frames it exchanges with a device, for a trace.
#pragma once

#include <string_view>

namespace rozovevi::ioserver::standin {

enum class FrameDirection { kSent, kReceived };

// Receives every frame a kind sends or receives during a call, whole, as it went over the wire,
// and what happened between them that is not a frame. A kind given none traces nothing.
class FrameTrace {
 public:
  FrameTrace() = default;
  FrameTrace(const FrameTrace&) = delete;
  FrameTrace& operator=(const FrameTrace&) = delete;
  virtual ~FrameTrace() = default;

  // A read or write begins; the times of what follows count from here.
  virtual void BeginCall() = 0;
  // One whole frame. label names the message where the protocol names its messages ("HEL",
  // "MSG ReadRequest"); empty where it does not.
  virtual void Frame(FrameDirection direction, std::string_view bytes, std::string_view label) = 0;
  // An event that is no frame: "timed out after 1 s", "bad CRC", "connection closed".
  virtual void Event(std::string_view what) = 0;
};

}  // namespace rozovevi::ioserver::standin
