#include "image/bitmap_image.h"

namespace zoro {

BitmapImage::BitmapImage(BitmapImage& source) noexcept : pixels_(&single_), single_(kWhite) {
    ChangeDepth(source.Depth());
    Resize(source.Width(), source.Height());
    // The vertical query comes first; both fill in an unset field of the source.
    const std::int32_t vertical = source.VerticalDpi();
    const std::int32_t horizontal = source.HorizontalDpi();
    SetResolutionDpi(horizontal, vertical);
    if (hasPalette_) {
        for (std::int32_t i = 0; i < PaletteSize(); ++i) {
            SetPaletteEntry(i, source.PaletteEntry(i));
        }
    }
    // A grid that could not be allocated leaves the copy 1 x 1; it then copies one pixel.
    for (std::int32_t y = 0; y < height_; ++y) {
        Pixel* row = Row(y);
        for (std::int32_t x = 0; x < width_; ++x) {
            row[x] = source.PixelAt(x, y);
        }
    }
}

}  // namespace zoro
