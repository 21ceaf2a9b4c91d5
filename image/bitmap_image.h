#pragma once

#include <cstddef>
#include <cstdint>

#include "image/pixel.h"

namespace zoro {

// The largest pixel grid an image may hold (2^28 pixels, 1 GiB of pixels). Larger sizes
// are refused, so no header value can make the library ask for unbounded memory.
constexpr std::int64_t kMaxPixelCount = std::int64_t{1} << 28;

// The in-memory image. Pixels are always held as full colours, whatever the depth; the
// depth decides whether there is a colour table and how the image is written to a file.
// Row 0 is the top row. An image is never smaller than 1 x 1.
class BitmapImage {
  public:
    // 1 x 1 at depth 24, no palette, resolution unset; the pixel is white with alpha 0.
    BitmapImage() noexcept;

    // A deep copy. Reading the source's resolution fills in the default for an unset field,
    // so the source is changed by being copied; the resolution passes through whole dots
    // per inch on the way.
    BitmapImage(BitmapImage& source) noexcept;

    BitmapImage(const BitmapImage&) = delete;
    BitmapImage& operator=(const BitmapImage&) = delete;
    ~BitmapImage();

    std::int32_t Depth() const { return depth_; }
    std::int32_t Width() const { return width_; }
    std::int32_t Height() const { return height_; }

    // 2^depth colours (2^24 for depth 32), answered for every depth.
    std::int32_t PaletteSize() const;

    // The pixel at (x, y), each coordinate clamped onto the image, so every position names
    // an edge or corner pixel. The reference is valid until the image is resized.
    Pixel& PixelAt(std::int32_t x, std::int32_t y) { return pixels_[ClampedIndex(x, y)]; }
    const Pixel& PixelAt(std::int32_t x, std::int32_t y) const {
        return pixels_[ClampedIndex(x, y)];
    }
    Pixel PixelValue(std::int32_t x, std::int32_t y) const { return PixelAt(x, y); }

    // Stores all four bytes at (x, y). A position outside the image stores nothing and
    // returns false.
    bool StorePixel(std::int32_t x, std::int32_t y, Pixel pixel);

    // Makes the image newWidth x newHeight with every pixel white, alpha 0. Refuses sizes
    // below 1 x 1 or above kMaxPixelCount, and a grid that cannot be allocated; a refusal
    // leaves the image exactly as it was.
    bool Resize(std::int32_t newWidth, std::int32_t newHeight);

    // Resolution in pixels per metre; 0 means unset.
    std::int32_t XPelsPerMeter() const { return xPelsPerMeter_; }
    std::int32_t YPelsPerMeter() const { return yPelsPerMeter_; }
    void SetPelsPerMeter(std::int32_t x, std::int32_t y) {
        xPelsPerMeter_ = x;
        yPelsPerMeter_ = y;
    }

    // Resolution in dots per inch, truncated. The queries first turn an unset field into
    // 3780 (96 dots per inch).
    void SetResolutionDpi(std::int32_t horizontal, std::int32_t vertical);
    std::int32_t HorizontalDpi();
    std::int32_t VerticalDpi();

    // ---- Colour table ----

    // Sets the depth (1, 4, 8, 16, 24 or 32) and rebuilds the palette: the standard table
    // at 1, 4 and 8 bits, none at the others. Pixels are not touched.
    bool ChangeDepth(std::int32_t newDepth);
    bool HasPalette() const { return hasPalette_; }
    // Entry `index`, or white with alpha 0 when there is no such entry.
    Pixel PaletteEntry(std::int32_t index) const;
    bool SetPaletteEntry(std::int32_t index, Pixel colour);
    bool FillStandardPalette();
    // The lowest index of the palette colour nearest to `colour` (alpha not compared).
    std::uint8_t NearestPaletteIndex(const Pixel& colour) const;

    // ---- BMP files ----

    bool LoadFromFile(const char* path);
    bool SaveToFile(const char* path);

    // ---- Row codecs: one row between the image and its bytes in a BMP file ----
    // False, touching nothing, when the buffer is too small for the row's pixel bytes or
    // the row is outside the image.

    bool DecodeRow1(const std::uint8_t* buffer, std::int32_t bufferSize, std::int32_t row);
    bool DecodeRow4(const std::uint8_t* buffer, std::int32_t bufferSize, std::int32_t row);
    bool DecodeRow8(const std::uint8_t* buffer, std::int32_t bufferSize, std::int32_t row);
    bool DecodeRow24(const std::uint8_t* buffer, std::int32_t bufferSize, std::int32_t row);
    bool DecodeRow32(const std::uint8_t* buffer, std::int32_t bufferSize, std::int32_t row);
    bool EncodeRow1(std::uint8_t* buffer, std::int32_t bufferSize, std::int32_t row) const;
    bool EncodeRow4(std::uint8_t* buffer, std::int32_t bufferSize, std::int32_t row) const;
    bool EncodeRow8(std::uint8_t* buffer, std::int32_t bufferSize, std::int32_t row) const;
    bool EncodeRow24(std::uint8_t* buffer, std::int32_t bufferSize, std::int32_t row) const;
    bool EncodeRow32(std::uint8_t* buffer, std::int32_t bufferSize, std::int32_t row) const;

  private:
    std::size_t ClampedIndex(std::int32_t x, std::int32_t y) const {
        if (x >= width_) {
            x = width_ - 1;
        }
        if (x < 0) {
            x = 0;
        }
        if (y >= height_) {
            y = height_ - 1;
        }
        if (y < 0) {
            y = 0;
        }
        return static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
               static_cast<std::size_t>(x);
    }

    // First pixel of row y; rows are stored one after another, top row first.
    Pixel* Row(std::int32_t y) {
        return pixels_ + static_cast<std::size_t>(y) * static_cast<std::size_t>(width_);
    }
    const Pixel* Row(std::int32_t y) const {
        return pixels_ + static_cast<std::size_t>(y) * static_cast<std::size_t>(width_);
    }

    // Replaces the grid with one of the given size without filling it; the same refusals
    // as Resize. The reader fills what it does not decode itself.
    bool ReplaceGrid(std::int32_t newWidth, std::int32_t newHeight);
    void ReleaseGrid();

    std::int32_t depth_ = 24;
    std::int32_t width_ = 1;
    std::int32_t height_ = 1;
    Pixel* pixels_;  // width_ * height_ pixels, or &single_ for a 1 x 1 image
    Pixel single_;   // the grid of a 1 x 1 image, so that construction never allocates
    bool hasPalette_ = false;
    Pixel palette_[256];  // the first 2^depth entries are the colour table when present
    std::int32_t xPelsPerMeter_ = 0;
    std::int32_t yPelsPerMeter_ = 0;
};

// The depths an image may have, and those of them that carry a colour table.
constexpr bool IsSupportedDepth(std::int32_t depth) {
    return depth == 1 || depth == 4 || depth == 8 || depth == 16 || depth == 24 || depth == 32;
}
constexpr bool IsIndexedDepth(std::int32_t depth) {
    return depth == 1 || depth == 4 || depth == 8;
}

// 32-bit integer power that wraps on overflow; an exponent of 0 or below gives 1.
std::int32_t IntegerPower(std::int32_t base, std::int32_t exponent);

// The process-wide diagnostics switch, on at load. Nothing prints through it.
void DiagnosticsOn();
void DiagnosticsOff();
bool DiagnosticsEnabled();

}  // namespace zoro
