// Crops any bytes through the module's code. Input: width and height (one byte each),
// left and top (four bytes each), then the source file. The output must be a 24-bit file
// of the rectangle whose every pixel is the clamped source pixel, or 1 x 1 for an empty
// rectangle.
#include <cstdint>
#include <cstring>
#include <string>

#include "export/crop_bitmap.h"
#include "fuzz/fuzz_support.h"
#include "image/bitmap_image.h"

using zoro::BitmapImage;

namespace {

std::int32_t Clamp(std::int64_t position, std::int32_t size) {
    return position < 0 ? 0 : position >= size ? size - 1 : static_cast<std::int32_t>(position);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const zoro::fuzz::ScratchFile source("crop-source.bmp");
    static const zoro::fuzz::ScratchFile output("crop-output.bmp");
    static const std::u16string sourcePath(source.Path(),
                                           source.Path() + std::strlen(source.Path()));
    static const std::u16string outputPath(output.Path(),
                                           output.Path() + std::strlen(output.Path()));

    zoro::fuzz::Parameters parameters(data, size);
    // Small rectangles, some of them empty or negative; any corner.
    const auto width = static_cast<std::int32_t>(parameters.Take(1) % 40) - 4;
    const auto height = static_cast<std::int32_t>(parameters.Take(1) % 40) - 4;
    const auto left = static_cast<std::int32_t>(parameters.Take(4));
    const auto top = static_cast<std::int32_t>(parameters.Take(4));
    if (zoro::fuzz::DeclaresMoreThan(parameters.Rest(), parameters.RestSize(), 1 << 20)) {
        return 0;
    }
    source.Write(parameters.Rest(), parameters.RestSize());

    zoro::CropBitmapFile(sourcePath.c_str(), outputPath.c_str(), width, height, left, top);

    BitmapImage picture;
    picture.LoadFromFile(source.Path());
    BitmapImage cropped;
    ZORO_FUZZ_CHECK(cropped.LoadFromFile(output.Path()));
    ZORO_FUZZ_CHECK(cropped.Depth() == 24);
    if (width < 1 || height < 1) {
        ZORO_FUZZ_CHECK(cropped.Width() == 1 && cropped.Height() == 1);
        return 0;
    }
    ZORO_FUZZ_CHECK(cropped.Width() == width && cropped.Height() == height);
    for (std::int32_t y = 0; y < height; ++y) {
        for (std::int32_t x = 0; x < width; ++x) {
            const zoro::Pixel from =
                picture.PixelValue(Clamp(std::int64_t{left} + x, picture.Width()),
                                   Clamp(std::int64_t{top} + y, picture.Height()));
            const zoro::Pixel to = cropped.PixelValue(x, y);
            ZORO_FUZZ_CHECK(from.red == to.red && from.green == to.green && from.blue == to.blue);
            ZORO_FUZZ_CHECK(to.alpha == 0);
        }
    }
    return 0;
}
