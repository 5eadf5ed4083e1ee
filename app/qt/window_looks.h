// Colours and fonts of the main window's widgets, taken from the shared window description.
#pragma once

class QLineEdit;
class QWidget;

namespace rozovevi::app::qt {

// Twips to Qt's device-independent pixels, which Qt treats as 96 to the inch.
int TwipsToQtPixels(int twips);
// Qt's device-independent pixels to twips, in single precision.
float QtPixelsToTwips(int pixels);

// The colours of the window, its frames and its buttons, as one palette: gray background, white
// frame captions, light blue button faces. Call before creating the controls, which take the
// palette from the window. The frames and buttons are the classic
// controls of classic_controls.h, which paint with these colours in any style.
void ApplyWindowLooks(QWidget& window);
// A text box: light yellow, Courier New 12 points, no length limit.
void ApplyTextBoxLooks(QLineEdit& text_box);

}  // namespace rozovevi::app::qt
