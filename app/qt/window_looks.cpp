// Colours and fonts of the main window's widgets, taken from the shared window description.
#include "app/qt/window_looks.h"

#include <QColor>
#include <QFont>
#include <QGroupBox>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QString>

#include <limits>

#include "app/qt/qt_text.h"
#include "app/window_layout.h"

namespace rozovevi::app::qt {
namespace {

// Qt's device-independent pixel is 1/96 inch whatever the screen; Qt scales for the display.
constexpr int kQtPixelsPerInch = 96;

QColor ToQColor(Rgb colour) { return QColor(colour.red, colour.green, colour.blue); }

QString CssColour(Rgb colour) {
  return QStringLiteral("rgb(%1, %2, %3)").arg(colour.red).arg(colour.green).arg(colour.blue);
}

QFont TextBoxFont() {
  QFont font(ToQString(kTextBoxFont.face), kTextBoxFont.points);
  font.setWeight(static_cast<QFont::Weight>(kTextBoxFont.weight));
  font.setItalic(kTextBoxFont.italic);
  font.setUnderline(kTextBoxFont.underline);
  font.setStrikeOut(kTextBoxFont.strike_out);
  // Where the face is missing, a fixed-pitch face keeps the columns of the original.
  font.setStyleHint(QFont::TypeWriter);
  return font;
}

}  // namespace

int TwipsToQtPixels(int twips) { return TwipsToPixels(twips, kQtPixelsPerInch); }

void ApplyWindowLooks(QWidget& window) {
  QPalette palette = window.palette();
  palette.setColor(QPalette::Window, ToQColor(kWindowBackground));
  window.setPalette(palette);
  window.setAutoFillBackground(true);
}

void ApplyFrameLooks(QGroupBox& frame) {
  QPalette palette = frame.palette();
  palette.setColor(QPalette::Window, ToQColor(kFrameBackground));
  palette.setColor(QPalette::WindowText, ToQColor(kFrameCaptionColour));
  frame.setPalette(palette);
  frame.setAutoFillBackground(true);
  // Styles shade a group box's inside or set its caption apart; the style sheet keeps the inside
  // the window's gray and puts the caption into an etched line, as a classic frame has it. Only
  // the QGroupBox selector, so the text boxes inside keep their own looks.
  const QString gray = CssColour(kFrameBackground);
  frame.setStyleSheet(QStringLiteral("QGroupBox { background-color: %1; color: %2;"
                                     " border: 2px groove rgb(176, 176, 176);"
                                     " margin-top: 0.5em; }"
                                     "QGroupBox::title { subcontrol-origin: margin;"
                                     " subcontrol-position: top left; left: 6px;"
                                     " padding: 0px 2px; background-color: %1; }")
                          .arg(gray, CssColour(kFrameCaptionColour)));
}

void ApplyTextBoxLooks(QLineEdit& text_box) {
  QPalette palette = text_box.palette();
  palette.setColor(QPalette::Base, ToQColor(kTextBoxBackground));
  text_box.setPalette(palette);
  text_box.setFont(TextBoxFont());
  // QLineEdit's own default limit is 32767 characters; the text boxes have none of their own.
  text_box.setMaxLength(std::numeric_limits<int>::max());
}

void ApplyButtonLooks(QPushButton& button) {
  // Styles draw a push button's face from the palette in their own way (gradients, theme
  // images), so the face colour is set with a style sheet, which every style honours. The
  // border has to be given too, or some styles keep drawing their own face.
  const QString face = CssColour(kButtonFace);
  button.setStyleSheet(QStringLiteral("QPushButton { background-color: %1; border: 2px outset %1; }"
                                      "QPushButton:default { border: 2px solid black; }"
                                      "QPushButton:pressed { border-style: inset; }")
                           .arg(face));
}

}  // namespace rozovevi::app::qt
