// The seam through which the window shows its modal message boxes.
#pragma once

#include <string_view>

#include "actions/main_window_surface.h"

class QWidget;

namespace rozovevi::app::qt {

// Shows a modal message box over a window and returns the button pressed. The Qt implementation
// asks the operator; tests answer without one.
class MessagePresenter {
 public:
  MessagePresenter() = default;
  MessagePresenter(const MessagePresenter&) = delete;
  MessagePresenter& operator=(const MessagePresenter&) = delete;
  virtual ~MessagePresenter() = default;

  // Shows prompt with the icon and buttons of style, titled with the program name, modal to
  // parent, and returns when the operator has answered.
  virtual actions::MessageAnswer Present(QWidget& parent, std::u16string_view prompt,
                                         actions::MessageStyle style) = 0;
};

}  // namespace rozovevi::app::qt
