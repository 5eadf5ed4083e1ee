// Formatting of watch lines' times and values.
#include "app/console/watch_text.h"

#include <cstdio>
#include <cstdlib>

#include "ioserver/utf8.h"

namespace rozovevi::app::console {
namespace {

constexpr int kMinutesPerHour = 60;
constexpr std::size_t kLongestTime = 48;

}  // namespace

std::u16string FormatLocalTime(const LocalTime& time, bool milliseconds) {
  char text[kLongestTime];
  const int offset = std::abs(time.utc_offset_minutes);
  const char sign = time.utc_offset_minutes < 0 ? '-' : '+';
  int length = std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", time.year,
                             time.month, time.day, time.hour, time.minute, time.second);
  if (milliseconds) {
    length += std::snprintf(text + length, sizeof text - static_cast<std::size_t>(length), ".%03d",
                            time.millisecond);
  }
  std::snprintf(text + length, sizeof text - static_cast<std::size_t>(length), "%c%02d:%02d", sign,
                offset / kMinutesPerHour, offset % kMinutesPerHour);
  return ioserver::WidenUtf8(text);
}

std::u16string EscapeLineEnds(std::u16string_view value) {
  std::u16string escaped;
  escaped.reserve(value.size());
  for (char16_t unit : value) {
    if (unit == u'\n') {
      escaped += u"\\n";
    } else if (unit == u'\r') {
      escaped += u"\\r";
    } else {
      escaped += unit;
    }
  }
  return escaped;
}

}  // namespace rozovevi::app::console
