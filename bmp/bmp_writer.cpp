// SaveToFile: writes the image at its depth. The platform's write stream puts the file in
// place only on a clean close, so any short write abandons it and reports failure.
#include <cstdint>

#include "bmp/header_records.h"
#include "bmp/nearest_colour.h"
#include "bmp/row_blocks.h"
#include "bmp/row_packing.h"
#include "export/platform.h"
#include "image/bitmap_image.h"

namespace zoro {

namespace {

// The 5-6-5 layout written at 16 bits, as the three masks that declare it.
constexpr std::uint32_t kMasks565[3] = {0xF800, 0x07E0, 0x001F};

std::uint16_t Word565(const Pixel& pixel) {
    return static_cast<std::uint16_t>((pixel.red / 8) * 2048 + (pixel.green / 4) * 32 +
                                      pixel.blue / 8);
}

void PackWords565(const Pixel* row, std::int32_t width, std::uint8_t* bytes) {
    for (std::int32_t x = 0; x < width; ++x, bytes += 2) {
        const std::uint16_t word = Word565(row[x]);
        bytes[0] = static_cast<std::uint8_t>(word & 0xFF);
        bytes[1] = static_cast<std::uint8_t>(word >> 8);
    }
}

std::int32_t OrDefaultResolution(std::int32_t pelsPerMeter) {
    return pelsPerMeter == 0 ? kDefaultPelsPerMeter : pelsPerMeter;
}

}  // namespace

bool BitmapImage::SaveToFile(const char* path) {
    if (!TypeSizesValid()) {
        return false;
    }
    Stream* stream = OpenStream(path, "wb");
    if (stream == nullptr) {
        return false;
    }

    const bool indexed = IsIndexedDepth(depth_);
    const double rowBytes =
        Ceiling(static_cast<double>(depth_) * 0.125 * static_cast<double>(width_));
    std::int32_t rowPadding = 4 - static_cast<std::int32_t>(rowBytes) % 4;
    if (rowPadding == 4) {
        rowPadding = 0;
    }
    const double pixelBytes = (rowPadding + rowBytes) * static_cast<double>(height_);
    const double tableBytes = indexed        ? static_cast<double>(IntegerPower(2, depth_)) * 4.0
                              : depth_ == 16 ? 12.0
                                             : 0.0;

    FileHeader fileHeader;
    fileHeader.bfSize = static_cast<std::uint32_t>(tableBytes + pixelBytes + 54);
    fileHeader.bfReserved1 = 0;
    fileHeader.bfReserved2 = 0;
    fileHeader.bfOffBits = static_cast<std::uint32_t>(tableBytes + 54);

    InfoHeader info;
    info.biSize = kInfoHeaderBytes;
    info.biWidth = width_;
    info.biHeight = height_;
    info.biPlanes = 1;
    info.biBitCount = static_cast<std::uint16_t>(depth_);
    info.biCompression = depth_ == 16 ? BI_BITFIELDS : BI_RGB;
    info.biSizeImage = static_cast<std::uint32_t>(pixelBytes);
    info.biXPelsPerMeter = OrDefaultResolution(xPelsPerMeter_);
    info.biYPelsPerMeter = OrDefaultResolution(yPelsPerMeter_);
    info.biClrUsed = 0;
    info.biClrImportant = 0;

    bool written = WriteFileHeader(fileHeader, stream) && WriteInfoHeader(info, stream);
    if (written && indexed) {
        if (!hasPalette_) {
            hasPalette_ = true;
            FillStandardPalette();
        }
        const auto entries = static_cast<std::size_t>(IntegerPower(2, depth_));
        written = WriteItems(palette_, sizeof(Pixel), entries, stream) == entries;
    }
    if (written && depth_ == 16) {
        written = WriteItems(kMasks565, sizeof kMasks565[0], 3, stream) == 3;
    }

    // The encoders' work, with one nearest-colour finder for the whole image. Rows go out
    // a block at a time; the first row that cannot be written ends the loop.
    if (written) {
        RowBlockWriter rows(stream, static_cast<std::size_t>(StoredRowBytes(width_, depth_)),
                            height_);
        NearestColourFinder nearest(*this);
        written = rows.Allocated();
        for (std::int32_t y = height_ - 1; y >= 0 && written; --y) {
            std::uint8_t* bytes = rows.Next();
            written = bytes != nullptr;
            if (!written) {
                break;
            }
            switch (depth_) {
                case 1:
                case 4:
                case 8:
                    PackNearestIndices(Row(y), width_, depth_, nearest, bytes);
                    break;
                case 16:
                    PackWords565(Row(y), width_, bytes);
                    break;
                case 24:
                    PackBgr(Row(y), width_, bytes);
                    break;
                default:
                    PackBgra(Row(y), width_, bytes);
                    break;
            }
        }
        written = written && rows.Finish();
    }

    if (!written) {
        AbandonStream(stream);
        return false;
    }
    return CloseStream(stream);
}

}  // namespace zoro
