// Colours and fonts of the main window's widgets, taken from the shared window description.
#include "app/qt/window_looks.h"

#include <QApplication>
#include <QColor>
#include <QFont>
#include <QLineEdit>
#include <QPalette>
#include <QWidget>

#include <limits>

#include "app/qt/qt_text.h"
#include "app/window_layout.h"

namespace rozovevi::app::qt {
namespace {

// Qt's device-independent pixel is 1/96 inch whatever the screen; Qt scales for the display.
constexpr int kQtPixelsPerInch = 96;

// The shades the classic controls are drawn with, besides the window's own colours: the two
// halves of a frame's etched line, a raised button edge, the default button's border, captions,
// and a disabled button's caption.
constexpr Rgb kEtchedShadow{176, 176, 176};
constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kBlack{0, 0, 0};
constexpr Rgb kDisabledCaption{128, 128, 128};

QColor ToQColor(Rgb colour) { return QColor(colour.red, colour.green, colour.blue); }

QFont TextBoxFont() {
  QFont font(ToQString(kTextBoxFont.face), kTextBoxFont.points);
  font.setWeight(static_cast<QFont::Weight>(kTextBoxFont.weight));
  font.setItalic(kTextBoxFont.italic);
  font.setUnderline(kTextBoxFont.underline);
  font.setStrikeOut(kTextBoxFont.strike_out);
  // Where the face is missing, a fixed-pitch face keeps the columns Courier New would give.
  font.setStyleHint(QFont::TypeWriter);
  return font;
}

}  // namespace

int TwipsToQtPixels(int twips) { return TwipsToPixels(twips, kQtPixelsPerInch); }

float QtPixelsToTwips(int pixels) { return PixelsToTwips(pixels, kQtPixelsPerInch); }

void ApplyWindowLooks(QWidget& window) {
  // One palette for the window, its frames and its buttons, set before the controls exist so
  // that they take it as they are made. Windows opened over this one, such as message boxes,
  // keep the application's palette, and so do the text boxes (ApplyTextBoxLooks).
  QPalette palette = window.palette();
  palette.setColor(QPalette::Window, ToQColor(kWindowBackground));
  // Frames: caption and etched line; the inside is the window's gray showing through.
  static_assert(kFrameBackground == kWindowBackground, "frames show the window through");
  palette.setColor(QPalette::WindowText, ToQColor(kFrameCaptionColour));
  palette.setColor(QPalette::Dark, ToQColor(kEtchedShadow));
  palette.setColor(QPalette::Light, ToQColor(kWhite));
  // Buttons: face, caption, the default button's border.
  palette.setColor(QPalette::Button, ToQColor(kButtonFace));
  palette.setColor(QPalette::ButtonText, ToQColor(kBlack));
  palette.setColor(QPalette::Disabled, QPalette::ButtonText, ToQColor(kDisabledCaption));
  palette.setColor(QPalette::Shadow, ToQColor(kBlack));
  window.setPalette(palette);
  window.setAutoFillBackground(true);
}

void ApplyTextBoxLooks(QLineEdit& text_box) {
  // A text box is drawn by the style as in any other window, from the application's palette
  // with only its background changed: the window's colours are for the frames and buttons, and
  // a style may shade a box's outline from the Window colour. Marking every role as set keeps
  // the box from taking the rest from its frame.
  QPalette palette = QApplication::palette(&text_box);
  palette.setColor(QPalette::Base, ToQColor(kTextBoxBackground));
  palette.setResolveMask(~QPalette::ResolveMask{0});
  text_box.setPalette(palette);
  text_box.setFont(TextBoxFont());
  // QLineEdit's own default limit is 32767 characters; the text boxes have none of their own.
  text_box.setMaxLength(std::numeric_limits<int>::max());
}

}  // namespace rozovevi::app::qt
