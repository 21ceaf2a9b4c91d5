#pragma once

#include "image/bitmap_image.h"

namespace zoro {

// Replaces the colour table of an indexed image with an even grey ramp from black to
// white. False, changing nothing, for an image of 16, 24 or 32 bits.
bool FillGrayscalePalette(BitmapImage& image);

}  // namespace zoro
