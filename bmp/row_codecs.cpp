// The ten row codecs: one image row to and from the bytes a BMP file stores it in.
#include <cstdint>

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

// NearestPaletteIndex, computed on a local copy of the palette and remembered per colour:
// neighbouring pixels mostly share colours, and one scan costs up to 256 distances.
class NearestIndexMemo {
  public:
    explicit NearestIndexMemo(const BitmapImage& image) {
        // Without a table every entry reads as the same white, so the first one stands.
        const std::int32_t depth = image.Depth();
        count_ = depth == 1 || depth == 4 || depth == 8 ? image.PaletteSize() : 1;
        for (std::int32_t i = 0; i < count_; ++i) {
            const Pixel entry = image.PaletteEntry(i);
            red_[i] = entry.red;
            green_[i] = entry.green;
            blue_[i] = entry.blue;
        }
    }

    std::uint8_t operator()(const Pixel& colour) {
        const std::uint32_t key = kFilled | (std::uint32_t{colour.red} << 16) |
                                  (std::uint32_t{colour.green} << 8) | colour.blue;
        Slot& slot = slots_[(key * 2654435761u) >> (32 - kSlotBits)];
        if (slot.key != key) {
            slot.key = key;
            slot.index = Scan(colour);
        }
        return slot.index;
    }

  private:
    // The scan of NearestPaletteIndex: the lowest index at the least distance.
    std::uint8_t Scan(const Pixel& colour) const {
        std::int32_t best = 999999;
        std::int32_t result = 0;
        for (std::int32_t i = 0; i < count_; ++i) {
            const std::int32_t dr = red_[i] - colour.red;
            const std::int32_t dg = green_[i] - colour.green;
            const std::int32_t db = blue_[i] - colour.blue;
            const std::int32_t d = dr * dr + dg * dg + db * db;
            if (d < best) {
                best = d;
                result = i;
                if (best == 0) {
                    break;
                }
            }
        }
        return static_cast<std::uint8_t>(result);
    }

    static constexpr std::uint32_t kFilled = 1u << 24;  // no empty slot matches a colour
    static constexpr int kSlotBits = 10;
    struct Slot {
        std::uint32_t key = 0;
        std::uint8_t index = 0;
    };
    std::int32_t count_;
    std::int32_t red_[256];
    std::int32_t green_[256];
    std::int32_t blue_[256];
    Slot slots_[1 << kSlotBits];
};

// The indices of the pixels packed `bits` to a pixel, the first in the most significant
// bits; the bits after the last pixel are 0.
void PackIndices(const Pixel* row, std::int32_t width, std::int32_t bits, NearestIndexMemo& nearest,
                 std::uint8_t* bytes) {
    const std::int32_t perByte = 8 / bits;
    std::int32_t x = 0;
    while (x < width) {
        unsigned sum = 0;
        for (std::int32_t k = 0; k < perByte && x < width; ++k, ++x) {
            sum += static_cast<unsigned>(nearest(row[x])) << (8 - bits * (k + 1));
        }
        *bytes++ = static_cast<std::uint8_t>(sum);
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
    NearestIndexMemo nearest(*this);
    PackIndices(Row(row), width_, 1, nearest, buffer);
    return true;
}

bool BitmapImage::EncodeRow4(std::uint8_t* buffer, std::int32_t bufferSize,
                             std::int32_t row) const {
    if (!CodecMayRun(buffer, bufferSize, row, width_, height_, 4)) {
        return false;
    }
    NearestIndexMemo nearest(*this);
    PackIndices(Row(row), width_, 4, nearest, buffer);
    return true;
}

bool BitmapImage::EncodeRow8(std::uint8_t* buffer, std::int32_t bufferSize,
                             std::int32_t row) const {
    if (!CodecMayRun(buffer, bufferSize, row, width_, height_, 8)) {
        return false;
    }
    NearestIndexMemo nearest(*this);
    const Pixel* pixels = Row(row);
    for (std::int32_t x = 0; x < width_; ++x) {
        buffer[x] = nearest(pixels[x]);
    }
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
