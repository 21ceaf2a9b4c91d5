// The two fixed headers at the start of every BMP file, and the small helpers that move
// them between memory and a stream.
#pragma once

#include <cstddef>
#include <cstdint>

#include "export/platform.h"

namespace zoro {

// Values of biCompression.
constexpr std::uint32_t BI_RGB = 0;
constexpr std::uint32_t BI_RLE8 = 1;
constexpr std::uint32_t BI_RLE4 = 2;
constexpr std::uint32_t BI_BITFIELDS = 3;

constexpr std::uint16_t kBmpMagic = 19778;           // "BM" as a little-endian 16-bit value
constexpr std::int32_t kDefaultPelsPerMeter = 3780;  // 96 dots per inch
constexpr std::uint32_t kFileHeaderBytes = 14;
constexpr std::uint32_t kInfoHeaderBytes = 40;

// The 14-byte file header. Fields are held in host byte order; every field the
// constructor has no better value for is 0.
struct FileHeader {
    std::uint16_t bfType;
    std::uint32_t bfSize;
    std::uint16_t bfReserved1;
    std::uint16_t bfReserved2;
    std::uint32_t bfOffBits;

    FileHeader();
    void SwapByteOrder();
};

// The 40-byte info header, under the same rules.
struct InfoHeader {
    std::uint32_t biSize;
    std::int32_t biWidth;
    std::int32_t biHeight;
    std::uint16_t biPlanes;
    std::uint16_t biBitCount;
    std::uint32_t biCompression;
    std::uint32_t biSizeImage;
    std::int32_t biXPelsPerMeter;
    std::int32_t biYPelsPerMeter;
    std::uint32_t biClrUsed;
    std::uint32_t biClrImportant;

    InfoHeader();
    void SwapByteOrder();
};

std::uint16_t SwapBytes16(std::uint16_t value);
std::uint32_t SwapBytes32(std::uint32_t value);

// Reads `count` items of `size` bytes unless the stream has already reached its end, in
// which case nothing is read and the buffer keeps its contents. True when every item
// arrived whole.
bool ReadChecked(void* buffer, std::size_t size, std::size_t count, Stream* stream);

// True when the integer types of the records have the widths of the file format.
bool TypeSizesValid();

// Field-by-field transfers, in file order, each field with its own width. Every read is
// made even after one has failed (it then finds the end of the file and reads nothing).
// The results tell whether every field was moved whole.
bool ReadFileHeaderAfterType(FileHeader& header, Stream* stream);
bool ReadInfoHeaderFields(InfoHeader& header, Stream* stream);
bool WriteFileHeader(const FileHeader& header, Stream* stream);
bool WriteInfoHeader(const InfoHeader& header, Stream* stream);

}  // namespace zoro
