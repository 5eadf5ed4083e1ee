// A message presenter that answers at once, so that no benchmark waits for an operator.
#pragma once

#include "app/qt/message_presenter.h"

namespace rozovevi::bench {

class AnsweringPresenter final : public app::qt::MessagePresenter {
 public:
  actions::MessageAnswer Present(QWidget&, std::u16string_view,
                                 actions::MessageStyle style) override {
    ++shown;
    return style == actions::MessageStyle::kCriticalYesNo ? actions::MessageAnswer::kYes
                                                          : actions::MessageAnswer::kOk;
  }

  int shown = 0;
};

}  // namespace rozovevi::bench
