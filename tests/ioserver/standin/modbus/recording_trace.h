// A frame trace that keeps what it is told, for the tests to compare with what went over the wire.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ioserver/standin/frame_trace.h"

namespace rozovevi::ioserver::standin::modbus::testing_support {

struct TracedLine {
  bool frame = false;
  FrameDirection direction = FrameDirection::kSent;
  std::vector<std::uint8_t> bytes;  // A frame's.
  std::string event;                // An event's.
};

class RecordingTrace final : public FrameTrace {
 public:
  void BeginCall() override { ++calls; }
  void Frame(FrameDirection direction, std::string_view bytes, std::string_view) override {
    lines.push_back({true, direction, std::vector<std::uint8_t>(bytes.begin(), bytes.end()), {}});
  }
  void Event(std::string_view what) override {
    lines.push_back({false, {}, {}, std::string(what)});
  }

  std::vector<std::vector<std::uint8_t>> Frames(FrameDirection direction) const {
    std::vector<std::vector<std::uint8_t>> frames;
    for (const TracedLine& line : lines) {
      if (line.frame && line.direction == direction) frames.push_back(line.bytes);
    }
    return frames;
  }
  std::vector<std::string> Events() const {
    std::vector<std::string> events;
    for (const TracedLine& line : lines) {
      if (!line.frame) events.push_back(line.event);
    }
    return events;
  }

  int calls = 0;
  std::vector<TracedLine> lines;
};

}  // namespace rozovevi::ioserver::standin::modbus::testing_support
