// The drawn icon turned into an indexed QImage, and enlarged with Qt's nearest-neighbour scaling.
#include "tools/make_png/icon_png.h"

#include <QColor>
#include <QList>

#include <cstddef>
#include <stdexcept>
#include <string>

namespace rozovevi::tools {
namespace {

constexpr std::size_t kMaxPaletteEntries = 256;
constexpr int kSmallSize = 16;
constexpr int kLargestDrawnSize = 32;

void Validate(const app::IconImage& image) {
  const auto pixel_count = static_cast<std::size_t>(image.size) * image.size;
  if (image.size <= 0 || image.pixels.size() != pixel_count ||
      image.transparent.size() != pixel_count || image.palette.empty()) {
    throw std::runtime_error("the icon image of size " + std::to_string(image.size) +
                             " is malformed");
  }
  if (image.palette.size() >= kMaxPaletteEntries) {
    throw std::runtime_error("the icon palette has no room for a transparent entry");
  }
  for (std::uint8_t index : image.pixels) {
    if (index >= image.palette.size()) {
      throw std::runtime_error("the icon image uses a colour outside its palette");
    }
  }
}

}  // namespace

QImage ToIndexedImage(const app::IconImage& image) {
  Validate(image);
  QList<QRgb> colours;
  for (const app::Rgb& colour : image.palette) {
    colours.push_back(qRgb(colour.red, colour.green, colour.blue));
  }
  const auto transparent_index = static_cast<std::uint8_t>(colours.size());
  colours.push_back(qRgba(0, 0, 0, 0));

  QImage indexed(image.size, image.size, QImage::Format_Indexed8);
  indexed.setColorTable(colours);
  for (int y = 0; y < image.size; ++y) {
    uchar* row = indexed.scanLine(y);
    for (int x = 0; x < image.size; ++x) {
      row[x] = image.TransparentAt(x, y) ? transparent_index : image.pixels[y * image.size + x];
    }
  }
  return indexed;
}

QImage ProgramIconImage(int size) {
  if (size == kSmallSize || size == kLargestDrawnSize) {
    return ToIndexedImage(app::DrawProgramIcon(size));
  }
  if (size > kLargestDrawnSize) {
    // Qt's nearest-neighbour scaling gives each target pixel the source pixel under its top-left
    // corner, so at 1.5x it doubles the pixels at even positions and the drawing leans toward
    // the top left. Scaled turned by half a turn, and turned back, each target pixel takes the
    // one under its bottom-right corner instead: at 1.5x (32 to 48) the pixels at odd positions
    // are doubled, as sampling at each pixel's centre does, and the frame and the transparent
    // ring grow by one pixel on opposite sides. At whole factors both are blocks of copies.
    constexpr bool kHorizontally = true;
    constexpr bool kVertically = true;
    return ToIndexedImage(app::DrawProgramIcon(kLargestDrawnSize))
        .mirrored(kHorizontally, kVertically)
        .scaled(size, size, Qt::IgnoreAspectRatio, Qt::FastTransformation)
        .mirrored(kHorizontally, kVertically);
  }
  throw std::invalid_argument("no icon of size " + std::to_string(size) +
                              ": 16, 32 or larger than 32");
}

}  // namespace rozovevi::tools
