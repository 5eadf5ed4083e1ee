// The one fake message box of the tests: records each box with what was behind it and answers
// from a script.
#pragma once

#include <deque>
#include <string>
#include <utility>
#include <vector>

#include "actions/main_window_surface.h"

namespace rozovevi::testing {

// A message box as it was shown, with what the operator could see behind it.
struct ShownMessage {
  std::u16string prompt;
  actions::MessageStyle style;
  bool read_enabled;  // The state of cmdRead and cmdWrite while the box was up.
  bool write_enabled;
  std::u16string value_text;  // txtValue while the box was up.
};

// Each fake window or presenter holds one of these and passes every box it is asked to show to
// Answer. Answers come from `answers` in order; once they run out, a Yes/No box is answered Yes
// (the warned write goes ahead, as an operator who reads the warning would usually let it) and
// any other box OK.
class ScriptedMessageBoxes {
 public:
  static constexpr actions::MessageAnswer kYesNoDefault = actions::MessageAnswer::kYes;

  std::deque<actions::MessageAnswer> answers;
  std::vector<ShownMessage> shown;

  actions::MessageAnswer Answer(ShownMessage message) {
    const actions::MessageStyle style = message.style;
    shown.push_back(std::move(message));
    if (answers.empty()) {
      return style == actions::MessageStyle::kCriticalYesNo ? kYesNoDefault
                                                            : actions::MessageAnswer::kOk;
    }
    const actions::MessageAnswer answer = answers.front();
    answers.pop_front();
    return answer;
  }
};

}  // namespace rozovevi::testing
