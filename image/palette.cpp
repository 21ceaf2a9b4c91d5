#include "image/palette.h"

namespace zoro {

namespace {

constexpr Pixel Rgb(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    return Pixel{blue, green, red, 0};
}

// The 4-bit table: two intensities of the eight corner colours, with light grey at 8.
constexpr Pixel kStandard4[16] = {
    Rgb(0, 0, 0),       Rgb(128, 0, 0),   Rgb(0, 128, 0),   Rgb(128, 128, 0),
    Rgb(0, 0, 128),     Rgb(128, 0, 128), Rgb(0, 128, 128), Rgb(128, 128, 128),
    Rgb(192, 192, 192), Rgb(255, 0, 0),   Rgb(0, 255, 0),   Rgb(255, 255, 0),
    Rgb(0, 0, 255),     Rgb(255, 0, 255), Rgb(0, 255, 255), Rgb(255, 255, 255)};

// The twenty fixed entries of the 8-bit table that replace colours of its cube.
struct FixedEntry {
    int index;
    Pixel colour;
};
constexpr FixedEntry kStandard8Fixed[20] = {
    {0, Rgb(0, 0, 0)},         {1, Rgb(128, 0, 0)},       {2, Rgb(0, 128, 0)},
    {3, Rgb(128, 128, 0)},     {4, Rgb(0, 0, 128)},       {5, Rgb(128, 0, 128)},
    {6, Rgb(0, 128, 128)},     {7, Rgb(192, 192, 192)},   {8, Rgb(192, 220, 192)},
    {9, Rgb(166, 202, 240)},   {246, Rgb(255, 251, 240)}, {247, Rgb(160, 160, 164)},
    {248, Rgb(128, 128, 128)}, {249, Rgb(255, 0, 0)},     {250, Rgb(0, 255, 0)},
    {251, Rgb(255, 255, 0)},   {252, Rgb(0, 0, 255)},     {253, Rgb(255, 0, 255)},
    {254, Rgb(0, 255, 255)},   {255, Rgb(255, 255, 255)}};

}  // namespace

bool BitmapImage::ChangeDepth(std::int32_t newDepth) {
    if (!IsSupportedDepth(newDepth)) {
        return false;
    }
    depth_ = newDepth;
    hasPalette_ = IsIndexedDepth(newDepth);
    if (hasPalette_) {
        FillStandardPalette();
    }
    return true;
}

Pixel BitmapImage::PaletteEntry(std::int32_t index) const {
    if (!IsIndexedDepth(depth_) || !hasPalette_ || index < 0 || index >= PaletteSize()) {
        return kWhite;
    }
    return palette_[index];
}

bool BitmapImage::SetPaletteEntry(std::int32_t index, Pixel colour) {
    if (!IsIndexedDepth(depth_) || !hasPalette_ || index < 0 || index >= PaletteSize()) {
        return false;
    }
    palette_[index] = colour;
    return true;
}

bool BitmapImage::FillStandardPalette() {
    switch (depth_) {
        case 1:
            palette_[0] = Rgb(0, 0, 0);
            palette_[1] = Rgb(255, 255, 255);
            return true;
        case 4:
            for (int i = 0; i < 16; ++i) {
                palette_[i] = kStandard4[i];
            }
            return true;
        case 8:
            for (int b = 0; b < 4; ++b) {
                for (int g = 0; g < 8; ++g) {
                    for (int r = 0; r < 8; ++r) {
                        palette_[64 * b + 8 * g + r] = Rgb(static_cast<std::uint8_t>(32 * r),
                                                           static_cast<std::uint8_t>(32 * g),
                                                           static_cast<std::uint8_t>(64 * b));
                    }
                }
            }
            for (const FixedEntry& entry : kStandard8Fixed) {
                palette_[entry.index] = entry.colour;
            }
            return true;
        default:
            return false;
    }
}

std::uint8_t BitmapImage::NearestPaletteIndex(const Pixel& colour) const {
    const std::int32_t n = PaletteSize();
    std::int32_t best = 999999;
    std::uint8_t result = 0;
    for (std::int32_t index = 0; index < n; ++index) {
        const Pixel e = PaletteEntry(index);
        const std::int32_t dr = e.red - colour.red;
        const std::int32_t dg = e.green - colour.green;
        const std::int32_t db = e.blue - colour.blue;
        const std::int32_t d = dr * dr + dg * dg + db * db;
        if (d < best) {
            best = d;
            result = static_cast<std::uint8_t>(index);
            if (best == 0) {
                break;
            }
        }
        if (!hasPalette_ || !IsIndexedDepth(depth_)) {
            // Every entry reads as the same default colour, so the first one stands. This
            // spares a scan of 2^24 identical entries on an image without a table.
            break;
        }
    }
    return result;
}

bool FillGrayscalePalette(BitmapImage& image) {
    const std::int32_t depth = image.Depth();
    if (!IsIndexedDepth(depth)) {
        return false;
    }
    const std::int32_t n = image.PaletteSize();
    const auto step = static_cast<std::uint8_t>(depth == 1 ? 255 : 255 / (n - 1));
    for (std::int32_t i = 0; i < n; ++i) {
        const auto level = static_cast<std::uint8_t>(static_cast<std::uint8_t>(i) * step);
        image.SetPaletteEntry(i, Pixel{level, level, level, 0});
    }
    return true;
}

}  // namespace zoro
