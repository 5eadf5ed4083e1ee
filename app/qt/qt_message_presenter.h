// Message boxes shown with QMessageBox.
#pragma once

#include <QMessageBox>

#include <memory>
#include <string_view>

#include "app/qt/message_presenter.h"

namespace rozovevi::app::qt {

// Builds the box for prompt and style, titled with the program name: a critical icon with OK
// (16), a critical icon with Yes and No, Yes the default (20), or an exclamation with OK (48).
// Line breaks written as CR LF show as single line breaks.
std::unique_ptr<QMessageBox> BuildMessageBox(QWidget* parent, std::u16string_view prompt,
                                             actions::MessageStyle style);

// The answer for a button of a box built above. Closing a Yes/No box without a choice is No.
actions::MessageAnswer AnswerFor(QMessageBox::StandardButton button, actions::MessageStyle style);

class QtMessagePresenter final : public MessagePresenter {
 public:
  actions::MessageAnswer Present(QWidget& parent, std::u16string_view prompt,
                                 actions::MessageStyle style) override;
};

}  // namespace rozovevi::app::qt
