#include "bmp/header_records.h"

namespace zoro {

namespace {

template <typename Field>
bool ReadField(Field& field, Stream* stream) {
    return ReadChecked(&field, sizeof field, 1, stream);
}

template <typename Field>
bool WriteField(const Field& field, Stream* stream) {
    return WriteItems(&field, sizeof field, 1, stream) == 1;
}

void Swap(std::uint16_t& field) {
    field = SwapBytes16(field);
}
void Swap(std::uint32_t& field) {
    field = SwapBytes32(field);
}
void Swap(std::int32_t& field) {
    field = static_cast<std::int32_t>(SwapBytes32(static_cast<std::uint32_t>(field)));
}

}  // namespace

FileHeader::FileHeader()
    : bfType(kBmpMagic), bfSize(0), bfReserved1(0), bfReserved2(0), bfOffBits(0) {}

void FileHeader::SwapByteOrder() {
    Swap(bfType);
    Swap(bfSize);
    Swap(bfReserved1);
    Swap(bfReserved2);
    Swap(bfOffBits);
}

InfoHeader::InfoHeader()
    : biSize(0),
      biWidth(0),
      biHeight(0),
      biPlanes(1),
      biBitCount(0),
      biCompression(BI_RGB),
      biSizeImage(0),
      biXPelsPerMeter(kDefaultPelsPerMeter),
      biYPelsPerMeter(kDefaultPelsPerMeter),
      biClrUsed(0),
      biClrImportant(0) {}

void InfoHeader::SwapByteOrder() {
    Swap(biSize);
    Swap(biWidth);
    Swap(biHeight);
    Swap(biPlanes);
    Swap(biBitCount);
    Swap(biCompression);
    Swap(biSizeImage);
    Swap(biXPelsPerMeter);
    Swap(biYPelsPerMeter);
    Swap(biClrUsed);
    Swap(biClrImportant);
}

std::uint16_t SwapBytes16(std::uint16_t value) {
    return static_cast<std::uint16_t>((value >> 8) | (value << 8));
}

std::uint32_t SwapBytes32(std::uint32_t value) {
    return (value >> 24) | ((value >> 8) & 0x0000FF00u) | ((value << 8) & 0x00FF0000u) |
           (value << 24);
}

bool ReadChecked(void* buffer, std::size_t size, std::size_t count, Stream* stream) {
    if (EndOfStream(stream)) {
        return false;
    }
    return ReadItems(buffer, size, count, stream) >= count;
}

bool TypeSizesValid() {
    return sizeof(std::uint8_t) == 1 && sizeof(std::uint16_t) == 2 && sizeof(std::uint32_t) == 4;
}

// The reads are combined with & rather than && so that each one is made.
bool ReadFileHeaderAfterType(FileHeader& header, Stream* stream) {
    bool whole = ReadField(header.bfSize, stream);
    whole &= ReadField(header.bfReserved1, stream);
    whole &= ReadField(header.bfReserved2, stream);
    whole &= ReadField(header.bfOffBits, stream);
    return whole;
}

bool ReadInfoHeaderFields(InfoHeader& header, Stream* stream) {
    bool whole = ReadField(header.biSize, stream);
    whole &= ReadField(header.biWidth, stream);
    whole &= ReadField(header.biHeight, stream);
    whole &= ReadField(header.biPlanes, stream);
    whole &= ReadField(header.biBitCount, stream);
    whole &= ReadField(header.biCompression, stream);
    whole &= ReadField(header.biSizeImage, stream);
    whole &= ReadField(header.biXPelsPerMeter, stream);
    whole &= ReadField(header.biYPelsPerMeter, stream);
    whole &= ReadField(header.biClrUsed, stream);
    whole &= ReadField(header.biClrImportant, stream);
    return whole;
}

bool WriteFileHeader(const FileHeader& header, Stream* stream) {
    return WriteField(header.bfType, stream) && WriteField(header.bfSize, stream) &&
           WriteField(header.bfReserved1, stream) && WriteField(header.bfReserved2, stream) &&
           WriteField(header.bfOffBits, stream);
}

bool WriteInfoHeader(const InfoHeader& header, Stream* stream) {
    return WriteField(header.biSize, stream) && WriteField(header.biWidth, stream) &&
           WriteField(header.biHeight, stream) && WriteField(header.biPlanes, stream) &&
           WriteField(header.biBitCount, stream) && WriteField(header.biCompression, stream) &&
           WriteField(header.biSizeImage, stream) && WriteField(header.biXPelsPerMeter, stream) &&
           WriteField(header.biYPelsPerMeter, stream) && WriteField(header.biClrUsed, stream) &&
           WriteField(header.biClrImportant, stream);
}

}  // namespace zoro
