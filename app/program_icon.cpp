// Draws the program icon pixel by pixel, so both front-ends and the .ico agree exactly.
#include "app/program_icon.h"

#include <stdexcept>

namespace rozovevi::app {
namespace {

// Palette indexes. Transparent pixels use kBlack as well; only their mask bit differs.
enum PaletteIndex : std::uint8_t {
  kBlack,
  kWhite,
  kRed,
  kDarkRed,
  kYellow,
  kDarkGreen,
  kGreen,
};

const std::vector<Rgb>& Palette() {
  static const std::vector<Rgb> palette = {
      {0, 0, 0},        // kBlack
      {255, 255, 255},  // kWhite
      {204, 0, 0},      // kRed
      {153, 0, 0},      // kDarkRed
      {255, 255, 0},    // kYellow
      {0, 102, 0},      // kDarkGreen
      {0, 153, 0},      // kGreen
  };
  return palette;
}

enum class Band { kWhite, kRed, kYellow, kGreen };
constexpr Band kBands[] = {Band::kWhite,  Band::kRed, Band::kYellow, Band::kGreen,
                           Band::kYellow, Band::kRed, Band::kWhite};
constexpr int kBandCount = sizeof(kBands) / sizeof(kBands[0]);

// The geometry of one image size. The seven bands fill the square inside the black frame:
//   16x16: 1 px black frame, 14 px of bands (2 rows each).
//   32x32: 1 px transparent ring, 1 px black frame, 28 px of bands (4 rows each). The black frame
//          is thus one pixel in from the edge, the transparent ring filling the place the larger
//          image adds on each side.
struct Geometry {
  int transparent_ring;
  int frame;
  int band_rows;
};

Geometry GeometryFor(int size) {
  switch (size) {
    case 16:
      return {0, 1, 2};
    case 32:
      return {1, 1, 4};
    default:
      throw std::invalid_argument("The program icon comes in 16x16 and 32x32 only");
  }
}

// Colour of a band pixel, x and y counted from the top-left corner of the band area.
// Red: the darker red on every other pixel of every other row (odd columns of odd rows within
// the band), a quarter of the band. Green: a checkerboard starting with the darker green.
PaletteIndex BandPixel(Band band, int x, int y_in_band) {
  switch (band) {
    case Band::kWhite:
      return kWhite;
    case Band::kRed:
      return (x % 2 == 1 && y_in_band % 2 == 1) ? kDarkRed : kRed;
    case Band::kYellow:
      return kYellow;
    case Band::kGreen:
      return ((x + y_in_band) % 2 == 0) ? kDarkGreen : kGreen;
  }
  return kBlack;
}

}  // namespace

IconImage DrawProgramIcon(int size) {
  const Geometry geometry = GeometryFor(size);
  const int band_start = geometry.transparent_ring + geometry.frame;
  const int band_end = band_start + kBandCount * geometry.band_rows;  // One past the last.

  IconImage image;
  image.size = size;
  image.palette = Palette();
  image.pixels.assign(static_cast<std::size_t>(size) * size, kBlack);
  image.transparent.assign(static_cast<std::size_t>(size) * size, false);

  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      const std::size_t at = static_cast<std::size_t>(y) * size + x;
      const bool in_ring = x < geometry.transparent_ring || y < geometry.transparent_ring ||
                           x >= size - geometry.transparent_ring ||
                           y >= size - geometry.transparent_ring;
      const bool in_bands = x >= band_start && x < band_end && y >= band_start && y < band_end;
      if (in_ring) {
        image.transparent[at] = true;
      } else if (in_bands) {
        const int row = y - band_start;
        image.pixels[at] =
            BandPixel(kBands[row / geometry.band_rows], x - band_start, row % geometry.band_rows);
      }
    }
  }
  return image;
}

}  // namespace rozovevi::app
