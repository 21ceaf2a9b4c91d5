// Little-endian byte building and parsing for hand-made BMP files in tests.
#pragma once

#include <cstdint>
#include <vector>

#include "bmp/header_records.h"

namespace zoro {

using Bytes = std::vector<std::uint8_t>;

inline void Put16(Bytes& out, std::uint32_t value) {
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

inline void Put32(Bytes& out, std::uint32_t value) {
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}

inline std::uint32_t Get16(const Bytes& in, std::size_t at) {
    return static_cast<std::uint32_t>(in.at(at) | (in.at(at + 1) << 8));
}

inline std::uint32_t Get32(const Bytes& in, std::size_t at) {
    return Get16(in, at) | (Get16(in, at + 2) << 16);
}

// The sixteen header fields of a BMP file; ToBytes() gives their 54 bytes in file order.
struct BmpHeaders {
    std::uint16_t type = 0x4D42;
    std::uint32_t fileSize = 0;
    std::uint16_t reserved1 = 0;
    std::uint16_t reserved2 = 0;
    std::uint32_t offBits = 54;
    std::uint32_t infoSize = 40;
    std::int32_t width = 1;
    std::int32_t height = 1;
    std::uint16_t planes = 1;
    std::uint16_t bitCount = 24;
    std::uint32_t compression = 0;
    std::uint32_t sizeImage = 0;
    std::int32_t xPelsPerMeter = 2835;
    std::int32_t yPelsPerMeter = 2834;
    std::uint32_t clrUsed = 0;
    std::uint32_t clrImportant = 0;

    Bytes ToBytes() const {
        Bytes out;
        Put16(out, type);
        Put32(out, fileSize);
        Put16(out, reserved1);
        Put16(out, reserved2);
        Put32(out, offBits);
        Put32(out, infoSize);
        Put32(out, static_cast<std::uint32_t>(width));
        Put32(out, static_cast<std::uint32_t>(height));
        Put16(out, planes);
        Put16(out, bitCount);
        Put32(out, compression);
        Put32(out, sizeImage);
        Put32(out, static_cast<std::uint32_t>(xPelsPerMeter));
        Put32(out, static_cast<std::uint32_t>(yPelsPerMeter));
        Put32(out, clrUsed);
        Put32(out, clrImportant);
        return out;
    }
};

// The fields of two header records, for comparing records through their bytes.
inline BmpHeaders FieldsOf(const FileHeader& file, const InfoHeader& info) {
    return BmpHeaders{
        file.bfType,          file.bfSize,          file.bfReserved1,   file.bfReserved2,
        file.bfOffBits,       info.biSize,          info.biWidth,       info.biHeight,
        info.biPlanes,        info.biBitCount,      info.biCompression, info.biSizeImage,
        info.biXPelsPerMeter, info.biYPelsPerMeter, info.biClrUsed,     info.biClrImportant};
}

inline void Append(Bytes& out, const Bytes& more) {
    out.insert(out.end(), more.begin(), more.end());
}

}  // namespace zoro
