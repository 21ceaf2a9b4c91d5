#include "utilities/rescale.h"

#include <cstdint>

#include "export/platform.h"

namespace zoro {

namespace {

struct Size {
    std::int32_t width;
    std::int32_t height;
};

// floor(value) as a 32-bit integer, or false when it does not fit.
bool FloorToInt32(double value, std::int32_t& result) {
    const double floored = Floor(value);
    if (!(floored >= -2147483648.0 && floored <= 2147483647.0)) {
        return false;
    }
    result = static_cast<std::int32_t>(floored);
    return true;
}

// The new size for an upper-cased mode of P, W or H, or false when it cannot be had.
bool NewSize(char mode, std::int32_t value, Size old, Size& size) {
    const double oldWidth = old.width;
    const double oldHeight = old.height;
    bool fits = true;
    switch (mode) {
        case 'P': {
            const std::int64_t widthProduct = std::int64_t{old.width} * value;
            const std::int64_t heightProduct = std::int64_t{old.height} * value;
            if (widthProduct < INT32_MIN || widthProduct > INT32_MAX || heightProduct < INT32_MIN ||
                heightProduct > INT32_MAX) {
                return false;
            }
            fits = FloorToInt32(static_cast<double>(widthProduct) * 0.01, size.width) &&
                   FloorToInt32(static_cast<double>(heightProduct) * 0.01, size.height);
            break;
        }
        case 'W':
            size.width = value;
            fits = FloorToInt32((value / oldWidth) * oldHeight, size.height);
            break;
        default:  // 'H'
            fits = FloorToInt32((value / oldHeight) * oldWidth, size.width);
            size.height = value;
            break;
    }
    if (!fits) {
        return false;
    }
    if (size.width < 1) {
        size.width = 1;
    }
    if (size.height < 1) {
        size.height = 1;
    }
    return std::int64_t{size.width} * size.height <= kMaxPixelCount;
}

// Truncation toward zero. Rounding can leave a sum a hair outside 0..255, never a whole
// unit, so the bounds only keep the conversion defined.
std::uint8_t TruncateToByte(double value) {
    if (value <= 0.0) {
        return 0;
    }
    if (value >= 255.0) {
        return 255;
    }
    return static_cast<std::uint8_t>(value);
}

// Where target column (or row) `index` of `newLength` samples a source of `oldLength`:
// the whole source position and the fraction past it. Only called with newLength >= 2.
struct Position {
    std::int32_t whole;
    double fraction;
};

Position SamplePosition(std::int32_t index, std::int32_t oldLength, std::int32_t newLength) {
    const double exact = (index * (oldLength - 1.0)) / (newLength - 1.0);
    const auto whole = static_cast<std::int32_t>(Floor(exact));
    return Position{whole, exact - whole};
}

// p0 weighted by 1 - t and p1 by t, channel by channel; alpha is left alone.
void StoreBetween(const Pixel& p0, const Pixel& p1, double t, Pixel& out) {
    const double rest = 1.0 - t;
    out.red = TruncateToByte(p1.red * t + p0.red * rest);
    out.green = TruncateToByte(p1.green * t + p0.green * rest);
    out.blue = TruncateToByte(p1.blue * t + p0.blue * rest);
}

// The four-neighbour blend. The sums are bracketed as they are, blue's in an order of its
// own, because truncation makes the last bit of each sum visible.
void StoreBilinear(const BitmapImage& s, Position x, Position y, Pixel& out) {
    const Pixel& p00 = s.PixelAt(x.whole, y.whole);
    const Pixel& p10 = s.PixelAt(x.whole + 1, y.whole);
    const Pixel& p01 = s.PixelAt(x.whole, y.whole + 1);
    const Pixel& p11 = s.PixelAt(x.whole + 1, y.whole + 1);
    const double tx = x.fraction;
    const double ty = y.fraction;
    const double w11 = tx * ty;
    const double w00 = ((1.0 - tx) - ty) + w11;
    const double w01 = ty - w11;
    const double w10 = tx - w11;
    out.red = TruncateToByte(((p10.red * w10 + p01.red * w01) + p11.red * w11) + p00.red * w00);
    out.green =
        TruncateToByte(((p10.green * w10 + p01.green * w01) + p11.green * w11) + p00.green * w00);
    out.blue =
        TruncateToByte(((p11.blue * w11 + p00.blue * w00) + p10.blue * w10) + p01.blue * w01);
}

// Fills `t` (already old size -> new size, all white) from the source copy `s`: every
// row but the last with its last column apart, then the last row, then the corner.
void Resample(const BitmapImage& s, BitmapImage& t) {
    const Size old{s.Width(), s.Height()};
    const Size now{t.Width(), t.Height()};
    for (std::int32_t j = 0; j + 1 < now.height; ++j) {
        const Position y = SamplePosition(j, old.height, now.height);
        for (std::int32_t i = 0; i + 1 < now.width; ++i) {
            StoreBilinear(s, SamplePosition(i, old.width, now.width), y, t.PixelAt(i, j));
        }
        StoreBetween(s.PixelAt(old.width - 1, y.whole), s.PixelAt(old.width - 1, y.whole + 1),
                     y.fraction, t.PixelAt(now.width - 1, j));
    }
    for (std::int32_t i = 0; i + 1 < now.width; ++i) {
        const Position x = SamplePosition(i, old.width, now.width);
        StoreBetween(s.PixelAt(x.whole, old.height - 1), s.PixelAt(x.whole + 1, old.height - 1),
                     x.fraction, t.PixelAt(i, now.height - 1));
    }
    t.PixelAt(now.width - 1, now.height - 1) = s.PixelAt(old.width - 1, old.height - 1);
}

}  // namespace

bool RescaleImage(BitmapImage& image, char mode, std::int32_t value) {
    mode = UpperCase(mode);
    // The copy is taken whatever the mode, so an unset resolution is filled in even when
    // the mode is refused.
    BitmapImage source(image);
    if (mode != 'P' && mode != 'W' && mode != 'H' && mode != 'F') {
        return false;
    }
    const Size old{image.Width(), image.Height()};
    if (source.Width() != old.width || source.Height() != old.height) {
        return false;  // the copy's grid could not be allocated
    }
    if (mode == 'F') {
        mode = old.width > old.height ? 'W' : 'H';
    }
    Size size{};
    if (!NewSize(mode, value, old, size) || !image.Resize(size.width, size.height)) {
        return false;
    }
    image.ChangeDepth(24);
    Resample(source, image);
    return true;
}

}  // namespace zoro
