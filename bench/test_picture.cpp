#include "bench/test_picture.h"

namespace zoro {

namespace {

// A 32-bit integer mix of the position: neighbouring pixels get unrelated values.
std::uint32_t Hash(std::uint32_t x, std::uint32_t y) {
    std::uint32_t h = x * 0x9E3779B1u ^ (y + 0x7F4A7C15u) * 0x85EBCA77u;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    h *= 0x297A2D39u;
    h ^= h >> 15;
    return h;
}

std::uint8_t Channel(std::int64_t smooth, std::uint32_t noise) {
    std::int64_t value = smooth + static_cast<std::int64_t>(noise & 0x3Fu) - 32;
    if (value < 0)
        value = 0;
    if (value > 255)
        value = 255;
    return static_cast<std::uint8_t>(value);
}

}  // namespace

Pixel TestPicturePixel(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height) {
    const std::int64_t dx = x - width / 3;
    const std::int64_t dy = y - height / 2;
    const std::int64_t ring = ((dx * dx + dy * dy) >> 9) & 0xFF;
    const std::uint32_t noise = Hash(static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y));
    Pixel pixel;
    pixel.red = Channel(std::int64_t{x} * 256 / width, noise);
    pixel.green = Channel(std::int64_t{y} * 256 / height, noise >> 8);
    pixel.blue = Channel(ring, noise >> 16);
    pixel.alpha = static_cast<std::uint8_t>(noise >> 24);
    return pixel;
}

bool PaintTestPicture(BitmapImage& image, std::int32_t width, std::int32_t height) {
    if (!image.Resize(width, height)) {
        return false;
    }
    for (std::int32_t y = 0; y < height; ++y) {
        for (std::int32_t x = 0; x < width; ++x) {
            image.StorePixel(x, y, TestPicturePixel(x, y, width, height));
        }
    }
    return true;
}

}  // namespace zoro
