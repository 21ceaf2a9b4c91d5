// Byte layouts of one stored row, for callers that have already checked the row and the
// buffer. The row codecs use them, and so does the reader, which decodes into a grid it
// has not cleared and so must set every byte of a pixel.
#pragma once

#include <cstdint>
#include <cstring>

#include "image/pixel.h"

namespace zoro {

// Stored bytes of a row: whole bytes of pixels, then padding up to a multiple of 4.
inline std::int64_t StoredRowBytes(std::int64_t width, std::int64_t depth) {
    const std::int64_t pixelBytes = (width * depth + 7) / 8;
    return (pixelBytes + 3) / 4 * 4;
}

// Blue, green, red per pixel; alpha keeps its value.
inline void UnpackBgr(const std::uint8_t* bytes, std::int32_t width, Pixel* row) {
    for (std::int32_t x = 0; x < width; ++x, bytes += 3) {
        row[x].blue = bytes[0];
        row[x].green = bytes[1];
        row[x].red = bytes[2];
    }
}

// Blue, green, red per pixel, with the given alpha.
inline void UnpackBgrWithAlpha(const std::uint8_t* bytes, std::int32_t width, Pixel* row,
                               std::uint8_t alpha) {
    for (std::int32_t x = 0; x < width; ++x, bytes += 3) {
        row[x] = Pixel{bytes[0], bytes[1], bytes[2], alpha};
    }
}

inline void PackBgr(const Pixel* row, std::int32_t width, std::uint8_t* bytes) {
    for (std::int32_t x = 0; x < width; ++x, bytes += 3) {
        bytes[0] = row[x].blue;
        bytes[1] = row[x].green;
        bytes[2] = row[x].red;
    }
}

// A Pixel has the byte layout of a stored 32-bit pixel.
inline void UnpackBgra(const std::uint8_t* bytes, std::int32_t width, Pixel* row) {
    std::memcpy(row, bytes, static_cast<std::size_t>(width) * sizeof(Pixel));
}

inline void PackBgra(const Pixel* row, std::int32_t width, std::uint8_t* bytes) {
    std::memcpy(bytes, row, static_cast<std::size_t>(width) * sizeof(Pixel));
}

}  // namespace zoro
