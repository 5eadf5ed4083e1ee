// The program icon, drawn by code so that no hand-made image is kept: seven horizontal bands in
// a black frame, in a 16x16 and a 32x32 image of at most 256 colours.
#pragma once

#include <cstdint>
#include <vector>

#include "app/window_layout.h"

namespace rozovevi::app {

// One palette-indexed icon image, rows top to bottom.
struct IconImage {
  int size = 0;                      // Width and height in pixels.
  std::vector<Rgb> palette;          // At most 256 entries.
  std::vector<std::uint8_t> pixels;  // size * size palette indexes.
  std::vector<bool> transparent;     // size * size; true where the desktop shows through.

  Rgb ColourAt(int x, int y) const { return palette[pixels[y * size + x]]; }
  bool TransparentAt(int x, int y) const { return transparent[y * size + x]; }
};

// The image of the given size: 16 or 32.
IconImage DrawProgramIcon(int size);

}  // namespace rozovevi::app
