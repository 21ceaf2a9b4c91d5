// LoadFromFile: reads a BMP file strictly in sequence, from the headers to the last row.
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "bmp/header_records.h"
#include "bmp/row_blocks.h"
#include "bmp/row_packing.h"
#include "export/platform.h"
#include "image/bitmap_image.h"

namespace zoro {

namespace {

bool CompressionAccepted(std::uint32_t compression, std::uint16_t bitCount) {
    if (compression == BI_RLE8 || compression == BI_RLE4 || compression > BI_BITFIELDS) {
        return false;
    }
    return compression != BI_BITFIELDS || bitCount == 16;
}

// Consumes `count` bytes through a small buffer, so that no header value decides an
// allocation. As with one read of `count` bytes, nothing is read once the file has ended.
void SkipBytes(Stream* stream, std::int64_t count) {
    if (count <= 0 || EndOfStream(stream)) {
        return;
    }
    std::uint8_t scratch[4096];
    while (count > 0) {
        const std::size_t piece =
            static_cast<std::size_t>(std::min<std::int64_t>(count, sizeof scratch));
        if (ReadItems(scratch, 1, piece, stream) < piece) {
            return;
        }
        count -= static_cast<std::int64_t>(piece);
    }
}

// How a 16-bit word becomes a colour: each channel masked, shifted down to at most five
// bits and scaled by 8.
class WordColours {
  public:
    WordColours(std::uint16_t redMask, std::uint16_t greenMask, std::uint16_t blueMask)
        : red_(redMask, ShiftCount(redMask)),
          green_(greenMask, ShiftCount(greenMask)),
          blue_(blueMask, ShiftCount(blueMask)) {}

    Pixel Colour(std::uint16_t word) const {
        return Pixel{blue_.Level(word), green_.Level(word), red_.Level(word), 0};
    }

    // The colours of `count` little-endian words, as plain arithmetic on whole pixels so
    // that the compiler can do many at once.
    void Decode(const std::uint8_t* bytes, std::int32_t count, Pixel* row) const {
        const unsigned redMask = red_.mask, greenMask = green_.mask, blueMask = blue_.mask;
        const int redShift = red_.shift, greenShift = green_.shift, blueShift = blue_.shift;
        for (std::int32_t x = 0; x < count; ++x) {
            const unsigned word = bytes[2 * x] | (unsigned{bytes[2 * x + 1]} << 8);
            const std::uint32_t value = ((((word & blueMask) >> blueShift) * 8) & 0xFF) |
                                        (((((word & greenMask) >> greenShift) * 8) & 0xFF) << 8) |
                                        (((((word & redMask) >> redShift) * 8) & 0xFF) << 16);
            std::memcpy(static_cast<void*>(row + x), &value, sizeof value);
        }
    }

  private:
    // Right shifts until the mask is at most 31.
    static int ShiftCount(std::uint16_t mask) {
        int shift = 0;
        for (unsigned rest = mask; rest > 31; rest >>= 1) {
            ++shift;
        }
        return shift;
    }

    struct Channel {
        Channel(std::uint16_t m, int s) : mask(m), shift(s) {}
        std::uint8_t Level(std::uint16_t word) const {
            return static_cast<std::uint8_t>(((word & mask) >> shift) * 8);
        }
        unsigned mask;
        int shift;
    };
    Channel red_, green_, blue_;
};

// Decodes one 16-bit row of which `got` bytes arrived. Once the file has ended, every
// remaining pixel takes the colour of the last word: a word cut by the end keeps its high
// byte and takes the one byte that arrived as its low byte, as a two-byte read would.
void DecodeWordRow(const std::uint8_t* bytes, std::size_t got, std::int32_t width,
                   const WordColours& colours, std::uint16_t& word, Pixel* row) {
    const std::int32_t whole =
        static_cast<std::int32_t>(std::min<std::size_t>(static_cast<std::size_t>(width), got / 2));
    colours.Decode(bytes, whole, row);
    if (whole > 0) {
        word = static_cast<std::uint16_t>(bytes[2 * whole - 2] | (bytes[2 * whole - 1] << 8));
    }
    if (whole == width) {
        return;
    }
    bytes += 2 * whole;
    if (got % 2 == 1) {
        word = static_cast<std::uint16_t>((word & 0xFF00) | bytes[0]);
    }
    std::fill(row + whole, row + width, colours.Colour(word));
}

// Reads the colour table of a 1-, 4- or 8-bit file into the image's palette and returns
// the number of bytes between the table and the pixel data. A longer info header comes
// before the table; its tail is consumed only when there is a table to reach.
std::int64_t ReadColourTable(BitmapImage& image, std::uint32_t infoSize, std::int64_t offBits,
                             Stream* stream) {
    const std::int64_t tableStart =
        kFileHeaderBytes + std::max<std::int64_t>(infoSize, kInfoHeaderBytes);
    const std::int32_t fullTable = image.PaletteSize();
    const auto entries = static_cast<std::int32_t>(
        std::clamp<std::int64_t>((offBits - tableStart) / 4, 0, fullTable));
    if (entries > 0) {
        SkipBytes(stream, tableStart - kFileHeaderBytes - kInfoHeaderBytes);
    }
    for (std::int32_t j = 0; j < entries; ++j) {
        // An entry the file does not hold in full keeps what the read leaves in it.
        Pixel entry = image.PaletteEntry(j);
        ReadChecked(&entry, sizeof entry, 1, stream);
        image.SetPaletteEntry(j, entry);
    }
    for (std::int32_t i = entries; i < fullTable; ++i) {
        image.SetPaletteEntry(i, kWhite);
    }
    return offBits - tableStart - 4 * std::int64_t{fullTable};
}

// The masks of a 16-bit file: 5-5-5 unless the file stores its own. Each is stored in 32
// bits, of which the high half is dropped.
WordColours ReadMasks(std::uint32_t compression, Stream* stream) {
    std::uint16_t masks[3] = {0x7C00, 0x03E0, 0x001F};  // red, green, blue
    if (compression != BI_RGB) {
        for (std::uint16_t& mask : masks) {
            std::uint16_t highHalf = 0;
            ReadChecked(&mask, sizeof mask, 1, stream);
            ReadChecked(&highHalf, sizeof highHalf, 1, stream);
        }
    }
    return WordColours(masks[0], masks[1], masks[2]);
}

}  // namespace

bool BitmapImage::LoadFromFile(const char* path) {
    if (!TypeSizesValid()) {
        return false;
    }
    Stream* stream = OpenStream(path, "rb");
    if (stream == nullptr) {
        ChangeDepth(1);
        Resize(1, 1);
        return false;
    }

    FileHeader fileHeader;
    bool headersWhole = ReadChecked(&fileHeader.bfType, sizeof fileHeader.bfType, 1, stream);
    if (fileHeader.bfType != kBmpMagic) {
        CloseStream(stream);
        return false;
    }
    headersWhole &= ReadFileHeaderAfterType(fileHeader, stream);
    InfoHeader info;
    headersWhole &= ReadInfoHeaderFields(info, stream);

    auto reject = [this, stream] {
        Resize(1, 1);
        ChangeDepth(1);
        CloseStream(stream);
        return false;
    };
    if (!headersWhole) {
        return reject();
    }
    SetPelsPerMeter(info.biXPelsPerMeter, info.biYPelsPerMeter);
    if (!CompressionAccepted(info.biCompression, info.biBitCount) ||
        !IsSupportedDepth(info.biBitCount)) {
        return reject();
    }
    ChangeDepth(info.biBitCount);
    if (info.biWidth <= 0 || info.biHeight <= 0 ||
        std::int64_t{info.biWidth} * info.biHeight > kMaxPixelCount) {
        return reject();
    }
    // Every row is either decoded or filled with white below, which together is what a
    // white Resize followed by decoding gives.
    if (!ReplaceGrid(info.biWidth, info.biHeight)) {
        return reject();
    }

    const std::int64_t offBits = static_cast<std::int32_t>(fileHeader.bfOffBits);
    std::int64_t gapBytes = offBits - kFileHeaderBytes - kInfoHeaderBytes;
    if (depth_ <= 8) {
        gapBytes = ReadColourTable(*this, info.biSize, offBits, stream);
    } else if (depth_ == 16 && info.biCompression == BI_BITFIELDS) {
        gapBytes -= 12;
    }

    if (depth_ == 16) {
        const WordColours colours = ReadMasks(info.biCompression, stream);
        SkipBytes(stream, gapBytes);
        RowBlockReader rows(stream, static_cast<std::size_t>(StoredRowBytes(width_, 16)), height_);
        if (!rows.Allocated()) {
            return reject();
        }
        std::uint16_t word = 0;
        for (std::int32_t y = height_ - 1; y >= 0; --y) {
            std::size_t got = 0;
            const std::uint8_t* bytes = rows.Next(got);
            DecodeWordRow(bytes, got, width_, colours, word, Row(y));
        }
        CloseStream(stream);
        return true;
    }

    SkipBytes(stream, gapBytes);
    const auto rowSize = static_cast<std::size_t>(StoredRowBytes(width_, depth_));
    RowBlockReader rows(stream, rowSize, height_);
    if (!rows.Allocated()) {
        return reject();
    }
    // The decoders' work, with the palette looked up once for the whole file. The grid
    // was not cleared, so every byte of a pixel is set: a 24-bit pixel gets the alpha 0
    // of a white fill.
    Pixel palette[256];
    for (std::int32_t i = 0; i < 256; ++i) {
        palette[i] = PaletteEntry(i);
    }
    const IndexedRowUnpacker indexed(palette, depth_ <= 8 ? depth_ : 8);
    std::int32_t y = height_ - 1;
    for (; y >= 0; --y) {
        std::size_t got = 0;
        const std::uint8_t* bytes = rows.Next(got);
        if (got < rowSize) {
            break;
        }
        switch (depth_) {
            case 24:
                UnpackBgrWithAlpha(bytes, width_, Row(y), 0);
                break;
            case 32:
                UnpackBgra(bytes, width_, Row(y));
                break;
            default:
                indexed.Unpack(bytes, width_, Row(y));
                break;
        }
    }
    // Row y and every row above it were not decoded.
    std::fill(Row(0), Row(0) + static_cast<std::size_t>(y + 1) * static_cast<std::size_t>(width_),
              kWhite);
    CloseStream(stream);
    return true;
}

}  // namespace zoro
