// A message presenter for the window tests: answers at once and records what it was shown.
#pragma once

#include <QLineEdit>
#include <QPushButton>
#include <QWidget>

#include <string>

#include "app/qt/message_presenter.h"
#include "app/qt/qt_text.h"
#include "tests/support/scripted_message_boxes.h"

namespace rozovevi::app::qt::testing {

class FakeMessagePresenter final : public MessagePresenter {
 public:
  rozovevi::testing::ScriptedMessageBoxes boxes;

  actions::MessageAnswer Present(QWidget& parent, std::u16string_view prompt,
                                 actions::MessageStyle style) override {
    const auto* value = parent.findChild<QLineEdit*>(QStringLiteral("txtValue"));
    return boxes.Answer({std::u16string(prompt), style, ButtonEnabled(parent, "cmdRead"),
                         ButtonEnabled(parent, "cmdWrite"),
                         value != nullptr ? FromQString(value->text()) : std::u16string()});
  }

 private:
  static bool ButtonEnabled(QWidget& window, const char* name) {
    const auto* button = window.findChild<QPushButton*>(QString::fromLatin1(name));
    return button != nullptr && button->isEnabled();
  }
};

}  // namespace rozovevi::app::qt::testing
