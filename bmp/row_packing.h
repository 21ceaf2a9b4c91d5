// Byte layouts of one stored row, for callers that have already checked the row and the
// buffer. The row codecs use them, and so does the reader, which decodes into a grid it
// has not cleared and so must set every byte of a pixel.
#pragma once

#include <cstddef>
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

// Blue, green, red per pixel, with the given alpha. Reads only the row's pixel bytes.
void UnpackBgrWithAlpha(const std::uint8_t* bytes, std::int32_t width, Pixel* row,
                        std::uint8_t alpha);

// Blue, green, red of each pixel. Writes only the row's pixel bytes.
void PackBgr(const Pixel* row, std::int32_t width, std::uint8_t* bytes);

// A Pixel has the byte layout of a stored 32-bit pixel.
inline void UnpackBgra(const std::uint8_t* bytes, std::int32_t width, Pixel* row) {
    std::memcpy(row, bytes, static_cast<std::size_t>(width) * sizeof(Pixel));
}

inline void PackBgra(const Pixel* row, std::int32_t width, std::uint8_t* bytes) {
    std::memcpy(bytes, row, static_cast<std::size_t>(width) * sizeof(Pixel));
}

// Rows of palette indices, 1, 4 or 8 bits to a pixel with the first in the most
// significant bits, turned into colours through a table made once for the palette: each
// stored byte of 1 or 4 bits becomes its 8 or 2 colours with one copy.
class IndexedRowUnpacker {
  public:
    // `palette` holds the colours of all 2^bits indices.
    IndexedRowUnpacker(const Pixel* palette, std::int32_t bits) : bits_(bits) {
        const std::int32_t perByte = 8 / bits;
        const unsigned mask = (1u << bits) - 1;
        for (unsigned byte = 0; byte < 256; ++byte) {
            for (std::int32_t k = 0; k < perByte; ++k) {
                const unsigned index = (byte >> (8 - bits * (k + 1))) & mask;
                table_[byte * static_cast<unsigned>(perByte) + static_cast<unsigned>(k)] =
                    palette[index];
            }
        }
    }

    void Unpack(const std::uint8_t* bytes, std::int32_t width, Pixel* row) const {
        switch (bits_) {
            case 1:
                UnpackRuns<8>(bytes, width, row);
                break;
            case 4:
                UnpackRuns<2>(bytes, width, row);
                break;
            default:
                UnpackRuns<1>(bytes, width, row);
                break;
        }
    }

  private:
    // The run of a byte has a fixed length, so its copy is a few plain moves.
    template <std::int32_t perByte>
    void UnpackRuns(const std::uint8_t* bytes, std::int32_t width, Pixel* row) const {
        const std::int32_t whole = width / perByte;
        for (std::int32_t i = 0; i < whole; ++i) {
            std::memcpy(static_cast<void*>(row + i * perByte), table_ + bytes[i] * perByte,
                        static_cast<std::size_t>(perByte) * sizeof(Pixel));
        }
        const std::int32_t rest = width - whole * perByte;
        for (std::int32_t k = 0; k < rest; ++k) {
            row[whole * perByte + k] = table_[bytes[whole] * perByte + k];
        }
    }

    std::int32_t bits_;
    Pixel table_[256 * 8];
};

}  // namespace zoro
