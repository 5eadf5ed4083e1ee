// Enlarges an icon image pixel for pixel (nearest neighbour), so that the larger icons keep the
// hard edges and exact colours of the drawn one.
#pragma once

#include "app/program_icon.h"

namespace rozovevi::tools {

// The image at `size` x `size`: each target pixel takes the source pixel under its centre,
// source = floor((2 * target + 1) * source_size / (2 * size)) along each axis. For a whole factor
// k that is a block of k x k copies of each source pixel. At 1.5x (32 to 48) the source pixels at
// odd positions are doubled and those at even positions kept single, so each four-row band of the
// 32x32 image becomes six rows, and the frame and the transparent ring are one pixel wider on
// opposite sides. Throws std::invalid_argument unless `size` is at least the source size.
app::IconImage ScaleIcon(const app::IconImage& source, int size);

}  // namespace rozovevi::tools
