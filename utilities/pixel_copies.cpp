#include "utilities/pixel_copies.h"

#include <algorithm>

namespace zoro {

namespace {

// The region's bounds after clipping. Sums of extreme arguments would overflow 32 bits,
// so the arithmetic is done in 64; where it does not overflow the result is the same.
struct ClippedRegion {
    std::int64_t left;
    std::int64_t right;
    std::int64_t firstRow;
    std::int64_t lastRow;
};

ClippedRegion ClipRegion(const BitmapImage& source, std::int64_t left, std::int64_t right,
                         std::int64_t rowA, std::int64_t rowB, const BitmapImage& target,
                         std::int64_t targetX, std::int64_t targetY) {
    ClippedRegion r{left, right, std::min(rowA, rowB), std::max(rowA, rowB)};
    if (r.right >= source.Width()) {
        r.right = source.Width() - 1;
    }
    if (r.left < 0) {
        r.left = 0;
    }
    if (r.lastRow >= source.Height()) {
        r.lastRow = source.Height() - 1;
    }
    if (r.firstRow < 0) {
        r.firstRow = 0;
    }
    // Only the right and bottom edges of the target are clipped; positions before its
    // first column or row are left to the clamping, where later pixels overwrite earlier.
    if (r.right - r.left + targetX >= target.Width()) {
        r.right = r.left + target.Width() - targetX - 1;
    }
    if (r.lastRow - r.firstRow + targetY >= target.Height()) {
        r.lastRow = r.firstRow + target.Height() - targetY - 1;
    }
    return r;
}

// Visits the clipped region rows outer, columns inner, handing each source position and
// the target position it maps to to `copy`. Clipping keeps the source positions inside
// the source, and the target positions between INT32_MIN and the target's last column
// and row, so every position fits 32 bits.
template <typename CopyOne>
void ForEachRegionPixel(const BitmapImage& source, std::int32_t left, std::int32_t right,
                        std::int32_t rowA, std::int32_t rowB, const BitmapImage& target,
                        std::int32_t targetX, std::int32_t targetY, CopyOne copy) {
    const ClippedRegion r = ClipRegion(source, left, right, rowA, rowB, target, targetX, targetY);
    for (std::int64_t y = r.firstRow; y <= r.lastRow; ++y) {
        const auto toY = static_cast<std::int32_t>(targetY + y - r.firstRow);
        for (std::int64_t x = r.left; x <= r.right; ++x) {
            const auto toX = static_cast<std::int32_t>(targetX + x - r.left);
            copy(static_cast<std::int32_t>(x), static_cast<std::int32_t>(y), toX, toY);
        }
    }
}

bool HasKeyColour(const Pixel& pixel, const Pixel& key) {
    return pixel.red == key.red && pixel.green == key.green && pixel.blue == key.blue;
}

}  // namespace

void CopyPixel(const BitmapImage& source, std::int32_t sourceX, std::int32_t sourceY,
               BitmapImage& target, std::int32_t targetX, std::int32_t targetY) {
    target.PixelAt(targetX, targetY) = source.PixelAt(sourceX, sourceY);
}

void CopyPixelUnlessKey(const BitmapImage& source, std::int32_t sourceX, std::int32_t sourceY,
                        BitmapImage& target, std::int32_t targetX, std::int32_t targetY,
                        const Pixel& key) {
    const Pixel& pixel = source.PixelAt(sourceX, sourceY);
    if (!HasKeyColour(pixel, key)) {
        target.PixelAt(targetX, targetY) = pixel;
    }
}

void CopyRegion(const BitmapImage& source, std::int32_t left, std::int32_t right, std::int32_t rowA,
                std::int32_t rowB, BitmapImage& target, std::int32_t targetX,
                std::int32_t targetY) {
    ForEachRegionPixel(source, left, right, rowA, rowB, target, targetX, targetY,
                       [&](std::int32_t x, std::int32_t y, std::int32_t toX, std::int32_t toY) {
                           CopyPixel(source, x, y, target, toX, toY);
                       });
}

void CopyRegionUnlessKey(const BitmapImage& source, std::int32_t left, std::int32_t right,
                         std::int32_t rowA, std::int32_t rowB, BitmapImage& target,
                         std::int32_t targetX, std::int32_t targetY, const Pixel& key) {
    ForEachRegionPixel(source, left, right, rowA, rowB, target, targetX, targetY,
                       [&](std::int32_t x, std::int32_t y, std::int32_t toX, std::int32_t toY) {
                           CopyPixelUnlessKey(source, x, y, target, toX, toY, key);
                       });
}

}  // namespace zoro
