// A group frame and a push button that paint their classic looks themselves from the palette.
#include "app/qt/classic_controls.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPalette>
#include <QPen>
#include <QRect>

namespace rozovevi::app::qt {
namespace {

// The caption starts this far from the frame's left edge, with this much of the background
// kept clear on either side of its text.
constexpr int kCaptionIndent = 6;
constexpr int kCaptionPadding = 4;
// A button's raised, sunken or default edge is this wide; the focus rectangle lies this far
// inside the button's outer edge.
constexpr int kButtonEdge = 2;
constexpr int kFocusInset = 4;
constexpr int kLabelFlags = Qt::AlignCenter | Qt::TextShowMnemonic;

// The etched line of a group frame: a line of dark with a line of light just inside it at the
// top and left, and just outside it at the bottom and right.
void DrawEtchedRect(QPainter& painter, const QRect& area, const QColor& dark, const QColor& light) {
  const int left = area.left();
  const int top = area.top();
  const int right = area.right();
  const int bottom = area.bottom();
  painter.fillRect(left, top, right - left + 1, 1, dark);
  painter.fillRect(left, top, 1, bottom - top + 1, dark);
  painter.fillRect(left, bottom - 1, right - left, 1, dark);
  painter.fillRect(right - 1, top, 1, bottom - top, dark);
  painter.fillRect(left + 1, top + 1, right - left, 1, light);
  painter.fillRect(left + 1, top + 1, 1, bottom - top, light);
  painter.fillRect(left + 1, bottom, right - left, 1, light);
  painter.fillRect(right, top + 1, 1, bottom - top, light);
}

// An edge kButtonEdge wide around area: top_left on the top and left sides, bottom_right on the
// others, meeting on the diagonal at the top-right and bottom-left corners.
void DrawButtonEdge(QPainter& painter, const QRect& area, const QColor& top_left,
                    const QColor& bottom_right) {
  const int width = area.width();
  const int height = area.height();
  for (int i = 0; i < kButtonEdge; ++i) {
    painter.fillRect(area.left(), area.top() + i, width - i, 1, top_left);
    painter.fillRect(area.left() + i, area.top(), 1, height - i, top_left);
    painter.fillRect(area.left() + i + 1, area.bottom() - i, width - i - 1, 1, bottom_right);
    painter.fillRect(area.right() - i, area.top() + i + 1, 1, height - i - 1, bottom_right);
  }
}

}  // namespace

void ClassicFrame::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QPalette& colours = palette();
  const QFontMetrics metrics = fontMetrics();
  // The line runs through the middle of the caption's line of text.
  const int line_top = metrics.height() / 2;
  DrawEtchedRect(painter, QRect(0, line_top, width(), height() - line_top),
                 colours.color(QPalette::Dark), colours.color(QPalette::Light));
  if (title().isEmpty()) return;
  const QRect caption(kCaptionIndent, 0, metrics.horizontalAdvance(title()) + 2 * kCaptionPadding,
                      metrics.height());
  painter.fillRect(caption, colours.window());
  painter.setPen(colours.color(QPalette::WindowText));
  painter.drawText(caption, kLabelFlags, title());
}

ClassicButton::ClassicButton(QWidget* parent) : QPushButton(parent) {
  // The face covers every pixel, so nothing behind the button needs painting first.
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void ClassicButton::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QPalette& colours = palette();
  const QRect face = rect();
  painter.fillRect(face, colours.button());

  const QColor& light = colours.color(QPalette::Light);
  const QColor& flat = colours.color(QPalette::Button);
  if (isDefault()) {
    const QColor& mark = colours.color(QPalette::Shadow);
    DrawButtonEdge(painter, face, mark, mark);
  } else if (isDown()) {
    DrawButtonEdge(painter, face, flat, light);
  } else {
    DrawButtonEdge(painter, face, light, flat);
  }

  if (hasFocus()) {
    painter.setPen(QPen(colours.color(QPalette::ButtonText), 1, Qt::DotLine));
    painter.drawRect(face.adjusted(kFocusInset, kFocusInset, -kFocusInset - 1, -kFocusInset - 1));
  }

  if (!isEnabled()) {
    // Embossed like a classic disabled caption, so that it stays readable on the light face.
    painter.setPen(light);
    painter.drawText(face.translated(1, 1), kLabelFlags, text());
  }
  // palette() is already in the Disabled group while the button is disabled.
  painter.setPen(colours.color(QPalette::ButtonText));
  painter.drawText(face, kLabelFlags, text());
}

}  // namespace rozovevi::app::qt
