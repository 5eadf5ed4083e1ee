// Where the main window goes so that it sits in the middle of the screen.
#pragma once

namespace rozovevi::app {

struct WindowOrigin {
  int left;  // Twips.
  int top;
  friend bool operator==(WindowOrigin a, WindowOrigin b) {
    return a.left == b.left && a.top == b.top;
  }
};

// The outer top-left corner that centres a window of the given outer size on a screen of the
// given size, all in twips. Each difference is computed in single precision, rounded to the
// nearest integer with ties to even, then halved toward zero. There is no clamping: a window
// larger than the screen gets a negative left or top.
WindowOrigin CentredOrigin(float screen_width, float screen_height, float window_width,
                           float window_height);

}  // namespace rozovevi::app
