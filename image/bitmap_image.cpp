#include "image/bitmap_image.h"

#include <atomic>
#include <cmath>

#include "export/platform.h"

namespace zoro {

namespace {

std::atomic<bool> diagnostics{true};

constexpr double kMetresPerInch = 0.0254;
constexpr double kInchesPerMetre = 39.37007874015748;

// Truncates toward zero, saturating where the value leaves the 32-bit range.
std::int32_t TruncateToInt32(double value) {
    if (std::isnan(value)) {
        return 0;
    }
    if (value >= 2147483647.0) {
        return INT32_MAX;
    }
    if (value <= -2147483648.0) {
        return INT32_MIN;
    }
    return static_cast<std::int32_t>(value);
}

}  // namespace

BitmapImage::BitmapImage() noexcept : pixels_(&single_), single_(kWhite) {}

BitmapImage::~BitmapImage() {
    ReleaseGrid();
}

void BitmapImage::ReleaseGrid() {
    if (pixels_ != &single_) {
        ReleaseArray(pixels_);
    }
    pixels_ = &single_;
}

std::int32_t BitmapImage::PaletteSize() const {
    return IntegerPower(2, depth_ == 32 ? 24 : depth_);
}

bool BitmapImage::StorePixel(std::int32_t x, std::int32_t y, Pixel pixel) {
    if (x < 0 || x >= width_ || y < 0 || y >= height_) {
        return false;
    }
    Row(y)[x] = pixel;
    return true;
}

bool BitmapImage::ReplaceGrid(std::int32_t newWidth, std::int32_t newHeight) {
    if (newWidth < 1 || newHeight < 1) {
        return false;
    }
    const std::int64_t count = std::int64_t{newWidth} * newHeight;
    if (count > kMaxPixelCount) {
        return false;
    }
    Pixel* grid = &single_;
    if (count > 1) {
        // The new grid is allocated before the old one goes, so a refusal changes nothing.
        grid = static_cast<Pixel*>(AllocateArray(static_cast<std::size_t>(count) * sizeof(Pixel)));
        if (grid == nullptr) {
            return false;
        }
    }
    ReleaseGrid();
    pixels_ = grid;
    width_ = newWidth;
    height_ = newHeight;
    return true;
}

bool BitmapImage::Resize(std::int32_t newWidth, std::int32_t newHeight) {
    if (!ReplaceGrid(newWidth, newHeight)) {
        return false;
    }
    const std::size_t count = static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_);
    for (std::size_t i = 0; i < count; ++i) {
        pixels_[i] = kWhite;
    }
    return true;
}

void BitmapImage::SetResolutionDpi(std::int32_t horizontal, std::int32_t vertical) {
    xPelsPerMeter_ = TruncateToInt32(horizontal * kInchesPerMetre);
    yPelsPerMeter_ = TruncateToInt32(vertical * kInchesPerMetre);
}

std::int32_t BitmapImage::HorizontalDpi() {
    if (xPelsPerMeter_ == 0) {
        xPelsPerMeter_ = 3780;
    }
    return TruncateToInt32(xPelsPerMeter_ * kMetresPerInch);
}

std::int32_t BitmapImage::VerticalDpi() {
    if (yPelsPerMeter_ == 0) {
        yPelsPerMeter_ = 3780;
    }
    return TruncateToInt32(yPelsPerMeter_ * kMetresPerInch);
}

std::int32_t IntegerPower(std::int32_t base, std::int32_t exponent) {
    // Square and multiply; arithmetic modulo 2^32 gives the same wrapped result as
    // multiplying `exponent` times.
    std::uint32_t result = 1;
    std::uint32_t factor = static_cast<std::uint32_t>(base);
    for (std::int32_t rest = exponent; rest > 0; rest >>= 1) {
        if (rest & 1) {
            result *= factor;
        }
        factor *= factor;
    }
    return static_cast<std::int32_t>(result);
}

void DiagnosticsOn() {
    diagnostics.store(true, std::memory_order_relaxed);
}
void DiagnosticsOff() {
    diagnostics.store(false, std::memory_order_relaxed);
}
bool DiagnosticsEnabled() {
    return diagnostics.load(std::memory_order_relaxed);
}

}  // namespace zoro
