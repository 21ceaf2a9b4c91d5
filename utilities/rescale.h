// Bilinear resampling of an image in place.
#pragma once

#include <cstdint>

#include "image/bitmap_image.h"

namespace zoro {

// Resamples `image` to a new size and leaves it at 24 bits without a colour table.
// `mode`, in either case: 'P' scales both sides to `value` percent, 'W' sets the width to
// `value` and 'H' the height to `value` with the other side in proportion, 'F' sets the
// longer side (the height of a square) to `value`. Sides below 1 become 1.
//
// Returns false, leaving size, depth, palette and pixels as they were, for any other mode,
// for a percentage whose product with a side overflows 32 bits, for a new size that leaves
// the 32-bit range or exceeds kMaxPixelCount, and when the memory cannot be had. Every
// call fills in an unset resolution of the image, as copying an image does.
bool RescaleImage(BitmapImage& image, char mode, std::int32_t value);

}  // namespace zoro
