// The picture every benchmark and the comparison with other tools work on.
#pragma once

#include <cstdint>

#include "image/bitmap_image.h"

namespace zoro {

// The colour at (x, y) of a width x height picture: smooth gradients and rings under a
// layer of hashed noise, so that no row repeats another and a compressor finds little to
// take away. The same position always gives the same colour.
Pixel TestPicturePixel(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height);

// Makes `image` width x height and paints the picture into it, leaving its depth alone.
// False when the image cannot take that size.
bool PaintTestPicture(BitmapImage& image, std::int32_t width, std::int32_t height);

}  // namespace zoro
