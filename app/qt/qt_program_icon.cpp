// The program icon as Qt images.
#include "app/qt/qt_program_icon.h"

#include <QPixmap>

namespace rozovevi::app::qt {

QImage ToQImage(const IconImage& icon) {
  QImage image(icon.size, icon.size, QImage::Format_ARGB32);
  for (int y = 0; y < icon.size; ++y) {
    for (int x = 0; x < icon.size; ++x) {
      const Rgb colour = icon.ColourAt(x, y);
      const int alpha = icon.TransparentAt(x, y) ? 0 : 255;
      image.setPixel(x, y, qRgba(colour.red, colour.green, colour.blue, alpha));
    }
  }
  return image;
}

QIcon ProgramIcon() {
  QIcon icon;
  for (int size : {16, 32}) icon.addPixmap(QPixmap::fromImage(ToQImage(DrawProgramIcon(size))));
  return icon;
}

}  // namespace rozovevi::app::qt
