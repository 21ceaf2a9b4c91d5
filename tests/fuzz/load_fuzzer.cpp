// Loads any bytes as a BMP file. The image must come out whole and within the grid limit,
// in one of the states the reader allows, and a small image must survive a save and a
// load at its depth with its colours.
#include <cstdint>

#include "fuzz/fuzz_support.h"
#include "image/bitmap_image.h"

using zoro::BitmapImage;
using zoro::Pixel;

namespace {

bool IsDepth(std::int32_t depth) {
    return depth == 1 || depth == 4 || depth == 8 || depth == 16 || depth == 24 || depth == 32;
}

void CheckRefused(BitmapImage& image) {
    // Either untouched (no magic) or reset to one white pixel at depth 1.
    ZORO_FUZZ_CHECK(image.Width() == 1 && image.Height() == 1);
    ZORO_FUZZ_CHECK(image.Depth() == 24 || image.Depth() == 1);
    ZORO_FUZZ_CHECK(image.Depth() == 24 || image.PixelValue(0, 0) == zoro::kWhite);
}

// Saving at the loaded depth and loading again keeps what the depth can hold: every byte
// at 32 bits, the colour at 24 and 16 (16-bit colours are already multiples of 8), and at
// the indexed depths the nearest entry of the colour table, which travels with the file.
void CheckRoundTrip(BitmapImage& image) {
    static const zoro::fuzz::ScratchFile copy("load-copy.bmp");
    ZORO_FUZZ_CHECK(image.SaveToFile(copy.Path()));
    BitmapImage again;
    ZORO_FUZZ_CHECK(again.LoadFromFile(copy.Path()));
    ZORO_FUZZ_CHECK(again.Depth() == image.Depth());
    ZORO_FUZZ_CHECK(again.Width() == image.Width() && again.Height() == image.Height());
    for (std::int32_t y = 0; y < image.Height(); ++y) {
        for (std::int32_t x = 0; x < image.Width(); ++x) {
            Pixel expected = image.PixelValue(x, y);
            if (image.Depth() <= 8) {
                expected = image.PaletteEntry(image.NearestPaletteIndex(expected));
            } else if (image.Depth() != 32) {
                expected.alpha = 0;
            }
            ZORO_FUZZ_CHECK(again.PixelValue(x, y) == expected);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const zoro::fuzz::ScratchFile source("load.bmp");
    // Grids up to 2^20 pixels take the same paths as the largest; those are left to the
    // hostile-file tests, which time them once instead of on every mutation.
    if (zoro::fuzz::DeclaresMoreThan(data, size, 1 << 20)) {
        return 0;
    }
    source.Write(data, size);

    BitmapImage image;
    image.SetPelsPerMeter(11, 12);
    const bool loaded = image.LoadFromFile(source.Path());

    ZORO_FUZZ_CHECK(image.Width() >= 1 && image.Height() >= 1);
    ZORO_FUZZ_CHECK(std::int64_t{image.Width()} * image.Height() <= zoro::kMaxPixelCount);
    ZORO_FUZZ_CHECK(IsDepth(image.Depth()));
    ZORO_FUZZ_CHECK(image.HasPalette() == (image.Depth() <= 8));
    if (!loaded) {
        CheckRefused(image);
        return 0;
    }
    // Every pixel of the grid is there to be read.
    unsigned sum = 0;
    for (std::int32_t y = 0; y < image.Height(); ++y) {
        sum += image.PixelValue(image.Width() - 1, y).red;
    }
    ZORO_FUZZ_CHECK(sum <= 255u * static_cast<unsigned>(image.Height()));
    if (std::int64_t{image.Width()} * image.Height() <= 4096) {
        CheckRoundTrip(image);
    }
    return 0;
}
