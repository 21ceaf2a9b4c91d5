// Small images whose pixels all differ, for tests of the codecs, the reader and the writer.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>

#include "image/bitmap_image.h"

namespace zoro {

// A colour of its own for each position, never white and with a varying alpha.
inline Pixel Varied(std::int32_t x, std::int32_t y) {
    return Pixel{static_cast<std::uint8_t>(x * 37 + y * 3), static_cast<std::uint8_t>(x * 11 + 5),
                 static_cast<std::uint8_t>(y * 53 + x), static_cast<std::uint8_t>(x + 100)};
}

// Makes the image width x height at `depth` with Varied pixels.
inline void Paint(BitmapImage& image, std::int32_t depth, std::int32_t width, std::int32_t height) {
    ASSERT_TRUE(image.ChangeDepth(depth));
    ASSERT_TRUE(image.Resize(width, height));
    for (std::int32_t y = 0; y < height; ++y) {
        for (std::int32_t x = 0; x < width; ++x) {
            image.StorePixel(x, y, Varied(x, y));
        }
    }
}

}  // namespace zoro
