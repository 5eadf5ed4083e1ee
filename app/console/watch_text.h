// The lines "rozovevi-io watch" prints: a local time, then a value or a failure.
#pragma once

#include <string>
#include <string_view>

#include "app/console/watch_clock.h"

namespace rozovevi::app::console {

// "YYYY-MM-DDTHH:MM:SS+HH:MM", with ".fff" after the seconds when milliseconds is true.
std::u16string FormatLocalTime(const LocalTime& time, bool milliseconds);

// value with each CR and LF written as \r and \n, so that one value is one line.
std::u16string EscapeLineEnds(std::u16string_view value);

}  // namespace rozovevi::app::console
