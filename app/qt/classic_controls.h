// A group frame and a push button that paint their classic looks themselves from the palette.
#pragma once

#include <QGroupBox>
#include <QPushButton>

class QPaintEvent;

namespace rozovevi::app::qt {

// Painting these two here, instead of through a style sheet, keeps the looks the same in every
// style at a fraction of the start-up cost: a style sheet is parsed and every widget polished by
// it. Colours come from the palette (window_looks.h sets it); fonts are the widget's own.

// A group frame: an etched line (Dark, then Light) around the frame, broken at the top left by
// the caption in WindowText. The inside is left to the parent's background.
class ClassicFrame final : public QGroupBox {
 public:
  using QGroupBox::QGroupBox;

 protected:
  void paintEvent(QPaintEvent* event) override;
};

// A push button whose whole face is the Button colour. Its edge is raised (Light at the top and
// left) or, while pressed, sunken; the default button has a Shadow border instead. A focused
// button shows a dotted rectangle inside its face; a disabled one writes its caption in the
// Disabled ButtonText colour, embossed with Light.
class ClassicButton final : public QPushButton {
 public:
  explicit ClassicButton(QWidget* parent = nullptr);

 protected:
  void paintEvent(QPaintEvent* event) override;
};

}  // namespace rozovevi::app::qt
