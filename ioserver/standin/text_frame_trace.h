// A frame trace written as text, one line per frame or event, for an operator to read.
#pragma once

#include <chrono>
#include <functional>
#include <ostream>
#include <string>
#include <string_view>

#include "ioserver/standin/frame_trace.h"

namespace rozovevi::ioserver::standin {

// Writes each frame as "<ms> ms > <hex>" (sent) or "<ms> ms < <hex>" (received), the time
// counted from BeginCall, and each event as "<ms> ms <what>" on its own line. A labelled frame
// shows its label and its size: "<ms> ms > HEL (28 bytes) 48 45 4C ...". A frame of more than
// kLongestShownFrame bytes shows that many, then "... (<n> bytes)". Each line is flushed as it
// is written, so that a call that hangs shows how far it got.
class TextFrameTrace final : public FrameTrace {
 public:
  using Clock = std::function<std::chrono::steady_clock::time_point()>;
  static constexpr std::size_t kLongestShownFrame = 64;

  explicit TextFrameTrace(std::ostream& out, Clock clock = std::chrono::steady_clock::now);

  void BeginCall() override;
  void Frame(FrameDirection direction, std::string_view bytes, std::string_view label) override;
  void Event(std::string_view what) override;

 private:
  std::string Time() const;

  std::ostream& out_;
  Clock clock_;
  std::chrono::steady_clock::time_point began_;
};

}  // namespace rozovevi::ioserver::standin
