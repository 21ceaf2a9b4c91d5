// Small images painted from a colour function, and their pixels as one row-major list.
#pragma once

#include <gtest/gtest.h>

#include <vector>

#include "image/bitmap_image.h"

namespace zoro {

// Makes `image` width x height with pixel (x, y) set to colour(x, y).
template <typename ColourOf>
void Paint(BitmapImage& image, int width, int height, ColourOf colour) {
    ASSERT_TRUE(image.Resize(width, height));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            image.PixelAt(x, y) = colour(x, y);
        }
    }
}

inline std::vector<Pixel> Pixels(const BitmapImage& image) {
    std::vector<Pixel> pixels;
    for (int y = 0; y < image.Height(); ++y) {
        for (int x = 0; x < image.Width(); ++x) {
            pixels.push_back(image.PixelAt(x, y));
        }
    }
    return pixels;
}

}  // namespace zoro
