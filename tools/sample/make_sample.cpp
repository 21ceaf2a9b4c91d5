// Draws the bundled sample picture: a colour wheel of hues across the width, darkening
// downwards, with a grid every 16 pixels and a white ring in the middle, so that any crop
// of it shows where it came from.
//   make_sample OUTPUT.bmp
#include <cmath>
#include <cstdio>

#include "image/bitmap_image.h"

namespace {

constexpr std::int32_t kWidth = 64;
constexpr std::int32_t kHeight = 48;
constexpr double kPi = 3.14159265358979323846;

std::uint8_t Channel(double value) {
    return static_cast<std::uint8_t>(std::lround(std::fmin(std::fmax(value, 0.0), 1.0) * 255.0));
}

// The colour of hue `hue` (0 to 1 around the wheel) at brightness `level`.
zoro::Pixel Hue(double hue, double level) {
    auto wave = [&](double offset) {
        return level * (0.5 + 0.5 * std::cos(2.0 * kPi * (hue - offset)));
    };
    return zoro::Pixel{Channel(wave(2.0 / 3.0)), Channel(wave(1.0 / 3.0)), Channel(wave(0.0)), 0};
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_sample OUTPUT.bmp\n");
        return 2;
    }
    zoro::BitmapImage image;
    image.Resize(kWidth, kHeight);
    for (std::int32_t y = 0; y < kHeight; ++y) {
        for (std::int32_t x = 0; x < kWidth; ++x) {
            const double ring = std::hypot(x - kWidth / 2 + 0.5, y - kHeight / 2 + 0.5);
            zoro::Pixel pixel = Hue(static_cast<double>(x) / kWidth, 1.0 - 0.6 * y / kHeight);
            if (x % 16 == 0 || y % 16 == 0) {
                pixel = zoro::Pixel{40, 40, 40, 0};
            }
            if (ring >= 12.0 && ring < 14.5) {
                pixel = zoro::kWhite;
            }
            image.StorePixel(x, y, pixel);
        }
    }
    if (!image.SaveToFile(argv[1])) {
        std::fprintf(stderr, "make_sample: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
