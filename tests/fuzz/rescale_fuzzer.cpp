// Rescales loaded images. Input: the mode (one byte, one of P W H F in either case or a
// letter that is none of them), the value (two bytes, signed), then the source file. The
// result must have the size the mode gives, be 24-bit without a colour table and keep the
// source's last pixel in its last pixel; an unknown mode must change nothing.
#include <cmath>
#include <cstdint>

#include "fuzz/fuzz_support.h"
#include "image/bitmap_image.h"
#include "utilities/rescale.h"

using zoro::BitmapImage;

namespace {

// Images are kept small so that every input runs fast.
constexpr std::int64_t kMaxPixels = 1 << 16;

struct Size {
    std::int64_t width;
    std::int64_t height;
};

Size ExpectedSize(char mode, std::int32_t value, std::int32_t width, std::int32_t height) {
    if (mode == 'F') {
        mode = width > height ? 'W' : 'H';
    }
    Size size{value, value};
    if (mode == 'P') {
        size = {static_cast<std::int64_t>(std::floor(double(width * value) * 0.01)),
                static_cast<std::int64_t>(std::floor(double(height * value) * 0.01))};
    } else if (mode == 'W') {
        size.height = static_cast<std::int64_t>(std::floor((value / double(width)) * height));
    } else {
        size.width = static_cast<std::int64_t>(std::floor((value / double(height)) * width));
    }
    return {size.width < 1 ? 1 : size.width, size.height < 1 ? 1 : size.height};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const zoro::fuzz::ScratchFile source("rescale.bmp");
    static const char kModes[] = "PWHFpwhfXq";

    zoro::fuzz::Parameters parameters(data, size);
    const char mode = kModes[parameters.Take(1) % (sizeof kModes - 1)];
    const auto value = static_cast<std::int16_t>(parameters.Take(2));
    if (zoro::fuzz::DeclaresMoreThan(parameters.Rest(), parameters.RestSize(), kMaxPixels)) {
        return 0;
    }
    source.Write(parameters.Rest(), parameters.RestSize());

    BitmapImage image;
    image.LoadFromFile(source.Path());
    const std::int32_t width = image.Width(), height = image.Height(), depth = image.Depth();
    if (std::int64_t{width} * height > kMaxPixels) {
        return 0;
    }
    const char upper = static_cast<char>(mode & ~0x20);
    const bool known = upper == 'P' || upper == 'W' || upper == 'H' || upper == 'F';
    const Size expected = known ? ExpectedSize(upper, value, width, height) : Size{width, height};
    if (expected.width * expected.height > kMaxPixels) {
        return 0;
    }
    const zoro::Pixel corner = image.PixelValue(width - 1, height - 1);
    const zoro::Pixel first = image.PixelValue(0, 0);

    ZORO_FUZZ_CHECK(zoro::RescaleImage(image, mode, value) == known);
    ZORO_FUZZ_CHECK(image.Width() == expected.width && image.Height() == expected.height);
    ZORO_FUZZ_CHECK(image.XPelsPerMeter() != 0 && image.YPelsPerMeter() != 0);
    if (!known) {
        ZORO_FUZZ_CHECK(image.Depth() == depth);
        ZORO_FUZZ_CHECK(image.PixelValue(0, 0) == first);
        return 0;
    }
    ZORO_FUZZ_CHECK(image.Depth() == 24 && !image.HasPalette());
    ZORO_FUZZ_CHECK(image.PixelValue(image.Width() - 1, image.Height() - 1) == corner);
    return 0;
}
