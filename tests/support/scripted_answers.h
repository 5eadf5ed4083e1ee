// The answers a fake message box gives: those scripted for the test first, then a default.
#pragma once

#include <deque>

#include "actions/main_window_surface.h"

namespace rozovevi::testing {

// Takes the next scripted answer; once the script has run out, answers a Yes/No box with
// yes_no_default and any other box with OK.
inline actions::MessageAnswer NextAnswer(std::deque<actions::MessageAnswer>& script,
                                         actions::MessageStyle style,
                                         actions::MessageAnswer yes_no_default) {
  if (script.empty()) {
    return style == actions::MessageStyle::kCriticalYesNo ? yes_no_default
                                                          : actions::MessageAnswer::kOk;
  }
  const actions::MessageAnswer answer = script.front();
  script.pop_front();
  return answer;
}

}  // namespace rozovevi::testing
