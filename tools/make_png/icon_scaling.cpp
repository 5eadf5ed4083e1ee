// Nearest-neighbour enlargement of an icon image.
#include "tools/make_png/icon_scaling.h"

#include <stdexcept>

namespace rozovevi::tools {
namespace {

int SourcePixel(int target, int source_size, int size) {
  return (2 * target + 1) * source_size / (2 * size);
}

}  // namespace

app::IconImage ScaleIcon(const app::IconImage& source, int size) {
  if (size < source.size) throw std::invalid_argument("the icon is only ever enlarged");
  app::IconImage image;
  image.size = size;
  image.palette = source.palette;
  image.pixels.resize(static_cast<std::size_t>(size) * size);
  image.transparent.resize(static_cast<std::size_t>(size) * size);
  for (int y = 0; y < size; ++y) {
    const int source_y = SourcePixel(y, source.size, size);
    for (int x = 0; x < size; ++x) {
      const int source_x = SourcePixel(x, source.size, size);
      const std::size_t at = static_cast<std::size_t>(y) * size + x;
      const std::size_t from = static_cast<std::size_t>(source_y) * source.size + source_x;
      image.pixels[at] = source.pixels[from];
      image.transparent[at] = source.transparent[from];
    }
  }
  return image;
}

}  // namespace rozovevi::tools
