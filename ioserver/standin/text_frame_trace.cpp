// The text of a frame trace: times in milliseconds, frames in hex.
#include "ioserver/standin/text_frame_trace.h"

#include <iomanip>
#include <sstream>
#include <utility>

#include "ioserver/ascii_text.h"

namespace rozovevi::ioserver::standin {
namespace {

constexpr int kMillisecondDecimals = 1;

}  // namespace

TextFrameTrace::TextFrameTrace(std::ostream& out, Clock clock)
    : out_(out), clock_(std::move(clock)), began_(clock_()) {}

void TextFrameTrace::BeginCall() { began_ = clock_(); }

std::string TextFrameTrace::Time() const {
  const std::chrono::duration<double, std::milli> since = clock_() - began_;
  // Formatted apart, so that the stream's own number format is left as it was.
  std::ostringstream text;
  text << std::fixed << std::setprecision(kMillisecondDecimals) << since.count() << " ms ";
  return text.str();
}

void TextFrameTrace::Frame(FrameDirection direction, std::string_view bytes,
                           std::string_view label) {
  std::string line = Time();
  line.push_back(direction == FrameDirection::kSent ? '>' : '<');
  if (!label.empty()) {
    line += ' ' + std::string(label) + " (" + std::to_string(bytes.size()) + " bytes)";
  }
  const std::string_view shown = bytes.substr(0, kLongestShownFrame);
  if (!shown.empty()) line += ' ' + HexBytes(shown);
  if (shown.size() < bytes.size()) line += " ... (" + std::to_string(bytes.size()) + " bytes)";
  out_ << line << std::endl;
}

void TextFrameTrace::Event(std::string_view what) { out_ << Time() << what << std::endl; }

}  // namespace rozovevi::ioserver::standin
