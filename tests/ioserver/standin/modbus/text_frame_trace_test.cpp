// The text of a frame trace: what each line says, on a clock the test moves.
#include "ioserver/standin/text_frame_trace.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace rozovevi::ioserver::standin {
namespace {

using namespace std::chrono_literals;

TEST(TextFrameTraceTest, WritesOneLinePerFrameOrEventTimedFromTheCall) {
  std::chrono::steady_clock::time_point now{};
  std::ostringstream out;
  out << std::scientific;  // The trace's own number format must not leak into the stream's.
  TextFrameTrace trace(out, [&now] { return now; });
  now += 5s;
  trace.BeginCall();
  trace.Frame(FrameDirection::kSent, std::string("\x01\x03\x00\x00\x00\x01\x84\x0A", 8), "");
  now += 2500us;
  trace.Frame(FrameDirection::kReceived, std::string("\x01\xAB", 2), "MSG ReadResponse");
  now += 1s;
  trace.Event("timed out after 1 s");
  EXPECT_EQ(out.str(),
            "0.0 ms > 01 03 00 00 00 01 84 0A\n"
            "2.5 ms < MSG ReadResponse (2 bytes) 01 AB\n"
            "1002.5 ms timed out after 1 s\n");
  out.str("");
  out << 1.5;
  EXPECT_EQ(out.str(), "1.500000e+00");
}

TEST(TextFrameTraceTest, ALongFrameIsCutWithItsWholeLengthShown) {
  std::ostringstream out;
  TextFrameTrace trace(out, [] { return std::chrono::steady_clock::time_point{}; });
  for (std::size_t size :
       {TextFrameTrace::kLongestShownFrame, TextFrameTrace::kLongestShownFrame + 1}) {
    out.str("");
    trace.Frame(FrameDirection::kSent, std::string(size, '\x7F'), "");
    const std::string line = out.str();
    std::size_t shown = 0;
    for (std::size_t at = line.find("7F"); at != std::string::npos; at = line.find("7F", at + 2)) {
      ++shown;
    }
    EXPECT_EQ(shown, TextFrameTrace::kLongestShownFrame) << line;
    const bool cut = size > TextFrameTrace::kLongestShownFrame;
    EXPECT_EQ(line.find(" ... (65 bytes)\n") != std::string::npos, cut) << line;
  }
}

}  // namespace
}  // namespace rozovevi::ioserver::standin
