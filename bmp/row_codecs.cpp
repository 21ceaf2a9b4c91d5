// The ten row codecs: one image row to and from the bytes a BMP file stores it in.
#include <cstdint>

#include "bmp/nearest_colour.h"
#include "bmp/row_packing.h"
#include "image/bitmap_image.h"

namespace zoro {

namespace {

// A codec runs only on a row of the image and a buffer that holds the row's pixel bytes.
bool CodecMayRun(const void* buffer, std::int32_t bufferSize, std::int32_t row, std::int32_t width,
                 std::int32_t height, std::int32_t bitsPerPixel) {
    return buffer != nullptr && row >= 0 && row < height &&
           std::int64_t{8} * bufferSize >= std::int64_t{bitsPerPixel} * width;
}

// The colours of the first `count` indices, as PaletteEntry gives them.
void CopyPalette(const BitmapImage& image, Pixel* table, std::int32_t count) {
    for (std::int32_t i = 0; i < count; ++i) {
        table[i] = image.PaletteEntry(i);
    }
}

// Pixels of `bits` bits packed into bytes, the first in the most significant bits.
void UnpackIndices(const std::uint8_t* bytes, std::int32_t width, std::int32_t bits,
                   const Pixel* table, Pixel* row) {
    const std::int32_t perByte = 8 / bits;
    const unsigned mask = (1u << bits) - 1;
    std::int32_t x = 0;
    while (x < width) {
        const unsigned byte = *bytes++;
        for (std::int32_t k = 0; k < perByte && x < width; ++k, ++x) {
            row[x] = table[(byte >> (8 - bits * (k + 1))) & mask];
        }
    }
}

}  // namespace

bool BitmapImage::DecodeRow1(const std::uint8_t* buffer, std::int32_t bufferSize,
                             std::int32_t row) {
    if (!CodecMayRun(buffer, bufferSize, row, width_, height_, 1)) {
        return false;
    }
    Pixel table[2];
    CopyPalette(*this, table, 2);
    UnpackIndices(buffer, width_, 1, table, Row(row));
    return true;
}

bool BitmapImage::DecodeRow4(const std::uint8_t* buffer, std::int32_t bufferSize,
                             std::int32_t row) {
    if (!CodecMayRun(buffer, bufferSize, row, width_, height_, 4)) {
        return false;
    }
    Pixel table[16];
    CopyPalette(*this, table, 16);
    UnpackIndices(buffer, width_, 4, table, Row(row));
    return true;
}

bool BitmapImage::DecodeRow8(const std::uint8_t* buffer, std::int32_t bufferSize,
                             std::int32_t row) {
    if (!CodecMayRun(buffer, bufferSize, row, width_, height_, 8)) {
        return false;
    }
    Pixel table[256];
    CopyPalette(*this, table, 256);
    Pixel* pixels = Row(row);
    for (std::int32_t x = 0; x < width_; ++x) {
        pixels[x] = table[buffer[x]];
    }
    return true;
}

bool BitmapImage::DecodeRow24(const std::uint8_t* buffer, std::int32_t bufferSize,
                              std::int32_t row) {
    if (!CodecMayRun(buffer, bufferSize, row, width_, height_, 24)) {
        return false;
    }
    UnpackBgr(buffer, width_, Row(row));
    return true;
}

bool BitmapImage::DecodeRow32(const std::uint8_t* buffer, std::int32_t bufferSize,
                              std::int32_t row) {
    if (!CodecMayRun(buffer, bufferSize, row, width_, height_, 32)) {
        return false;
    }
    UnpackBgra(buffer, width_, Row(row));
    return true;
}

bool BitmapImage::EncodeRow1(std::uint8_t* buffer, std::int32_t bufferSize,
                             std::int32_t row) const {
    if (!CodecMayRun(buffer, bufferSize, row, width_, height_, 1)) {
        return false;
    }
    NearestColourFinder nearest(*this);
    PackNearestIndices(Row(row), width_, 1, nearest, buffer);
    return true;
}

bool BitmapImage::EncodeRow4(std::uint8_t* buffer, std::int32_t bufferSize,
                             std::int32_t row) const {
    if (!CodecMayRun(buffer, bufferSize, row, width_, height_, 4)) {
        return false;
    }
    NearestColourFinder nearest(*this);
    PackNearestIndices(Row(row), width_, 4, nearest, buffer);
    return true;
}

bool BitmapImage::EncodeRow8(std::uint8_t* buffer, std::int32_t bufferSize,
                             std::int32_t row) const {
    if (!CodecMayRun(buffer, bufferSize, row, width_, height_, 8)) {
        return false;
    }
    NearestColourFinder nearest(*this);
    PackNearestIndices(Row(row), width_, 8, nearest, buffer);
    return true;
}

bool BitmapImage::EncodeRow24(std::uint8_t* buffer, std::int32_t bufferSize,
                              std::int32_t row) const {
    if (!CodecMayRun(buffer, bufferSize, row, width_, height_, 24)) {
        return false;
    }
    PackBgr(Row(row), width_, buffer);
    return true;
}

bool BitmapImage::EncodeRow32(std::uint8_t* buffer, std::int32_t bufferSize,
                              std::int32_t row) const {
    if (!CodecMayRun(buffer, bufferSize, row, width_, height_, 32)) {
        return false;
    }
    PackBgra(Row(row), width_, buffer);
    return true;
}

}  // namespace zoro
