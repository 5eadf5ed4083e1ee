// The program icon as a Qt image at any size the desktop's icon theme wants, for Qt's own PNG
// writer.
#pragma once

#include <QImage>

#include "app/program_icon.h"

namespace rozovevi::tools {

// The icon image as an 8-bit indexed image: its palette, plus one fully transparent entry that the
// transparent pixels use (the palette entry they carry in the image is kept only for the .ico).
// Throws std::runtime_error if the image is malformed or its palette has no room for that entry.
QImage ToIndexedImage(const app::IconImage& image);

// The program icon at size x size: 16 and 32 as drawn, a larger size enlarged from the 32x32
// image pixel for pixel (nearest neighbour), so that it keeps the hard edges and exact colours of
// the drawn one: at a whole factor k a block of k x k copies of each pixel; at 1.5x (48) the
// pixels at odd positions doubled and those at even positions kept single. Throws
// std::invalid_argument for any other size.
QImage ProgramIconImage(int size);

}  // namespace rozovevi::tools
