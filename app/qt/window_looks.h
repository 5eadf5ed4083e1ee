// Colours and fonts of the main window's widgets, taken from the shared window description.
#pragma once

class QGroupBox;
class QLineEdit;
class QPushButton;
class QWidget;

namespace rozovevi::app::qt {

// Twips to Qt's device-independent pixels, which Qt treats as 96 to the inch.
int TwipsToQtPixels(int twips);

// The window: gray background.
void ApplyWindowLooks(QWidget& window);
// A group frame: gray like the window, white caption in the default font.
void ApplyFrameLooks(QGroupBox& frame);
// A text box: light yellow, Courier New 12 points, no length limit.
void ApplyTextBoxLooks(QLineEdit& text_box);
// A push button: a light blue face in any style, caption in the default font.
void ApplyButtonLooks(QPushButton& button);

}  // namespace rozovevi::app::qt
