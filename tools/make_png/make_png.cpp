// Build-time tool: writes the program icon at one size as a PNG file, for the desktop's icon
// theme, from the same drawing code the window uses, so that no binary image is kept in the
// sources. 16x16 and 32x32 are the drawn images; larger sizes enlarge the 32x32 image.
#include <QImage>
#include <QString>

#include <iostream>
#include <stdexcept>
#include <string>

#include "tools/make_png/icon_png.h"

namespace {

int ParseSize(const std::string& text) {
  std::size_t used = 0;
  const int size = std::stoi(text, &used);
  if (used != text.size()) throw std::invalid_argument("the size is not a number: " + text);
  return size;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: make_png SIZE OUTPUT.png\n";
    return 2;
  }
  try {
    const QImage image = rozovevi::tools::ProgramIconImage(ParseSize(argv[1]));
    if (!image.save(QString::fromLocal8Bit(argv[2]), "PNG")) {
      throw std::runtime_error(std::string("cannot write ") + argv[2]);
    }
  } catch (const std::exception& error) {
    std::cerr << "make_png: " << error.what() << '\n';
    return 1;
  }
  return 0;
}
