// Copies of single pixels and rectangles between images, or within one image, optionally
// leaving out pixels of a key colour. Every pixel is reached through the clamped accessor,
// so no call touches anything outside an image; only target pixel bytes are written.
#pragma once

#include <cstdint>

#include "image/bitmap_image.h"

namespace zoro {

// Copies all four bytes of the source pixel (clamped) onto the target pixel (clamped).
void CopyPixel(const BitmapImage& source, std::int32_t sourceX, std::int32_t sourceY,
               BitmapImage& target, std::int32_t targetX, std::int32_t targetY);

// As CopyPixel, but writes nothing when the source pixel's red, green and blue equal the
// key's; alpha is not compared.
void CopyPixelUnlessKey(const BitmapImage& source, std::int32_t sourceX, std::int32_t sourceY,
                        BitmapImage& target, std::int32_t targetX, std::int32_t targetY,
                        const Pixel& key);

// Copies source columns left..right (never exchanged) of the rows between rowA and rowB
// (either order) so that the region's first column and row land on (targetX, targetY).
// The region is clipped to the source and to the target's right and bottom edges; target
// positions left of or above the image clamp onto its first column or row. Pixels are
// read as they are copied, rows outer and columns inner, so an overlapping copy within one
// image reads what it has already written.
void CopyRegion(const BitmapImage& source, std::int32_t left, std::int32_t right, std::int32_t rowA,
                std::int32_t rowB, BitmapImage& target, std::int32_t targetX, std::int32_t targetY);

// As CopyRegion, leaving the target untouched wherever the source has the key colour.
void CopyRegionUnlessKey(const BitmapImage& source, std::int32_t left, std::int32_t right,
                         std::int32_t rowA, std::int32_t rowB, BitmapImage& target,
                         std::int32_t targetX, std::int32_t targetY, const Pixel& key);

}  // namespace zoro
