// Small BMP files built byte by byte, and 24-bit files taken apart the same way, so that
// the tests of the module and of bmptool do not lean on the library's own reader and
// writer.
#pragma once

#include <cstdint>
#include <vector>

#include "image/pixel.h"

namespace zoro {

using Bytes = std::vector<std::uint8_t>;

struct BmpLayout {
    std::uint16_t depth = 24;
    std::int32_t width = 1;
    std::int32_t height = 1;  // stored as given, so a negative value means top row first
    std::uint32_t compression = 0;
    std::vector<Pixel> palette;        // the colour table, written as it stands
    std::vector<std::uint32_t> masks;  // written after the info header
    std::vector<Bytes> rows;           // the pixel bytes of each row, top row first, unpadded
    std::int32_t pelsPerMeter = 3780;
};

inline void PutLittleEndian(Bytes& bytes, std::uint32_t value, int width) {
    for (int i = 0; i < width; ++i) {
        bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
}

inline std::uint32_t GetLittleEndian(const Bytes& bytes, std::size_t at, int width) {
    std::uint32_t value = 0;
    for (int i = width - 1; i >= 0; --i) {
        value = (value << 8) | bytes[at + static_cast<std::size_t>(i)];
    }
    return value;
}

// The rows are stored bottom row first, each padded to a multiple of 4 bytes.
inline Bytes BuildBmp(const BmpLayout& layout) {
    const std::uint32_t tableBytes =
        static_cast<std::uint32_t>(4 * layout.palette.size() + 4 * layout.masks.size());
    Bytes pixels;
    for (auto row = layout.rows.rbegin(); row != layout.rows.rend(); ++row) {
        pixels.insert(pixels.end(), row->begin(), row->end());
        pixels.resize((pixels.size() + 3) / 4 * 4, 0);
    }
    const auto pixelBytes = static_cast<std::uint32_t>(pixels.size());
    Bytes bytes = {'B', 'M'};
    PutLittleEndian(bytes, 54 + tableBytes + pixelBytes, 4);
    PutLittleEndian(bytes, 0, 4);
    PutLittleEndian(bytes, 54 + tableBytes, 4);
    PutLittleEndian(bytes, 40, 4);
    PutLittleEndian(bytes, static_cast<std::uint32_t>(layout.width), 4);
    PutLittleEndian(bytes, static_cast<std::uint32_t>(layout.height), 4);
    PutLittleEndian(bytes, 1, 2);
    PutLittleEndian(bytes, layout.depth, 2);
    PutLittleEndian(bytes, layout.compression, 4);
    PutLittleEndian(bytes, pixelBytes, 4);
    PutLittleEndian(bytes, static_cast<std::uint32_t>(layout.pelsPerMeter), 4);
    PutLittleEndian(bytes, static_cast<std::uint32_t>(layout.pelsPerMeter), 4);
    PutLittleEndian(bytes, 0, 4);
    PutLittleEndian(bytes, 0, 4);
    for (const Pixel& entry : layout.palette) {
        bytes.insert(bytes.end(), {entry.blue, entry.green, entry.red, entry.alpha});
    }
    for (std::uint32_t mask : layout.masks) {
        PutLittleEndian(bytes, mask, 4);
    }
    bytes.insert(bytes.end(), pixels.begin(), pixels.end());
    return bytes;
}

// A 24-bit file of the given pixels, `rows` top row first.
inline Bytes BuildBmp24(const std::vector<std::vector<Pixel>>& rows,
                        std::int32_t pelsPerMeter = 3780) {
    BmpLayout layout;
    layout.width = static_cast<std::int32_t>(rows.front().size());
    layout.height = static_cast<std::int32_t>(rows.size());
    layout.pelsPerMeter = pelsPerMeter;
    for (const std::vector<Pixel>& row : rows) {
        Bytes stored;
        for (const Pixel& pixel : row) {
            stored.insert(stored.end(), {pixel.blue, pixel.green, pixel.red});
        }
        layout.rows.push_back(stored);
    }
    return BuildBmp(layout);
}

// A 24-bit file as the crop writes it, taken apart. `valid` is false unless every header
// field holds what such a file must hold; `pixels` are top row first, alpha 0.
struct Bmp24File {
    bool valid = false;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t xPelsPerMeter = 0;
    std::int32_t yPelsPerMeter = 0;
    std::vector<std::vector<Pixel>> rows;
};

inline Bmp24File ParseBmp24(const Bytes& bytes) {
    Bmp24File file;
    if (bytes.size() < 54) {
        return file;
    }
    file.width = static_cast<std::int32_t>(GetLittleEndian(bytes, 18, 4));
    file.height = static_cast<std::int32_t>(GetLittleEndian(bytes, 22, 4));
    file.xPelsPerMeter = static_cast<std::int32_t>(GetLittleEndian(bytes, 38, 4));
    file.yPelsPerMeter = static_cast<std::int32_t>(GetLittleEndian(bytes, 42, 4));
    if (file.width < 1 || file.height < 1 || file.width > 1 << 16 || file.height > 1 << 16) {
        return file;
    }
    const std::size_t stride = (static_cast<std::size_t>(file.width) * 3 + 3) / 4 * 4;
    const std::size_t pixelBytes = stride * static_cast<std::size_t>(file.height);
    const bool headersRight =
        bytes[0] == 'B' && bytes[1] == 'M' && GetLittleEndian(bytes, 2, 4) == bytes.size() &&
        GetLittleEndian(bytes, 6, 4) == 0 && GetLittleEndian(bytes, 10, 4) == 54 &&
        GetLittleEndian(bytes, 14, 4) == 40 && GetLittleEndian(bytes, 26, 2) == 1 &&
        GetLittleEndian(bytes, 28, 2) == 24 && GetLittleEndian(bytes, 30, 4) == 0 &&
        GetLittleEndian(bytes, 34, 4) == pixelBytes && GetLittleEndian(bytes, 46, 4) == 0 &&
        GetLittleEndian(bytes, 50, 4) == 0 && bytes.size() == 54 + pixelBytes;
    if (!headersRight) {
        return file;
    }
    file.rows.resize(static_cast<std::size_t>(file.height));
    for (std::size_t y = 0; y < file.rows.size(); ++y) {
        const std::size_t start = 54 + (file.rows.size() - 1 - y) * stride;
        for (std::size_t x = 0; x < static_cast<std::size_t>(file.width); ++x) {
            const std::size_t at = start + 3 * x;
            file.rows[y].push_back(Pixel{bytes[at], bytes[at + 1], bytes[at + 2], 0});
        }
        for (std::size_t padding = start + 3 * static_cast<std::size_t>(file.width);
             padding < start + stride; ++padding) {
            if (bytes[padding] != 0) {
                return file;
            }
        }
    }
    file.valid = true;
    return file;
}

}  // namespace zoro
