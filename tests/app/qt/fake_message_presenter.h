// A message presenter for the window tests: answers at once and records what it was shown.
#pragma once

#include <QPushButton>
#include <QWidget>

#include <deque>
#include <string>
#include <vector>

#include "app/qt/message_presenter.h"
#include "tests/support/scripted_answers.h"

namespace rozovevi::app::qt::testing {

class FakeMessagePresenter final : public MessagePresenter {
 public:
  struct Shown {
    std::u16string prompt;
    actions::MessageStyle style;
    bool read_enabled;  // The state of cmdRead and cmdWrite while the box was up.
    bool write_enabled;
  };

  // Answers given in order; once they run out, Yes for a Yes/No box and OK otherwise.
  std::deque<actions::MessageAnswer> answers;
  std::vector<Shown> shown;

  actions::MessageAnswer Present(QWidget& parent, std::u16string_view prompt,
                                 actions::MessageStyle style) override {
    shown.push_back(Shown{std::u16string(prompt), style, ButtonEnabled(parent, "cmdRead"),
                          ButtonEnabled(parent, "cmdWrite")});
    return rozovevi::testing::NextAnswer(answers, style, actions::MessageAnswer::kYes);
  }

 private:
  static bool ButtonEnabled(QWidget& window, const char* name) {
    const auto* button = window.findChild<QPushButton*>(QString::fromLatin1(name));
    return button != nullptr && button->isEnabled();
  }
};

}  // namespace rozovevi::app::qt::testing
