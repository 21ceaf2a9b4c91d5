#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "image/bitmap_image.h"
#include "image/palette.h"
#include "support/bmp_bytes.h"
#include "support/test_images.h"

namespace zoro {
namespace {

using Decoder = bool (BitmapImage::*)(const std::uint8_t*, std::int32_t, std::int32_t);
using Encoder = bool (BitmapImage::*)(std::uint8_t*, std::int32_t, std::int32_t) const;

struct Codec {
    const char* name;
    std::int32_t depth;
    Decoder decode;
    Encoder encode;
};

const Codec kCodecs[] = {
    {"1", 1, &BitmapImage::DecodeRow1, &BitmapImage::EncodeRow1},
    {"4", 4, &BitmapImage::DecodeRow4, &BitmapImage::EncodeRow4},
    {"8", 8, &BitmapImage::DecodeRow8, &BitmapImage::EncodeRow8},
    {"24", 24, &BitmapImage::DecodeRow24, &BitmapImage::EncodeRow24},
    {"32", 32, &BitmapImage::DecodeRow32, &BitmapImage::EncodeRow32},
};

const Codec& CodecFor(std::int32_t depth) {
    for (const Codec& codec : kCodecs) {
        if (codec.depth == depth) {
            return codec;
        }
    }
    return kCodecs[0];
}

void ExpectPixelsUnchanged(const BitmapImage& image) {
    for (std::int32_t y = 0; y < image.Height(); ++y) {
        for (std::int32_t x = 0; x < image.Width(); ++x) {
            ASSERT_EQ(image.PixelValue(x, y), Varied(x, y)) << x << "," << y;
        }
    }
}

TEST(RowCodecs, ABufferTooSmallForThePixelBytesIsRefusedAndNothingIsTouched) {
    struct Case {
        std::int32_t depth, width, pixelBytes;
    } cases[] = {
        {32, 3, 12}, {24, 3, 9}, {24, 1, 3}, {8, 5, 5},  {4, 5, 3},
        {4, 1, 1},   {1, 9, 2},  {1, 8, 1},  {1, 33, 5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "depth " << c.depth << " width " << c.width);
        const Codec& codec = CodecFor(c.depth);
        BitmapImage image;
        Paint(image, c.depth, c.width, 2);
        Bytes buffer(64, 0xA5);
        const Bytes untouched = buffer;

        EXPECT_FALSE((image.*codec.decode)(buffer.data(), c.pixelBytes - 1, 1));
        EXPECT_FALSE((image.*codec.encode)(buffer.data(), c.pixelBytes - 1, 1));
        EXPECT_FALSE((image.*codec.decode)(buffer.data(), -1, 1));
        ExpectPixelsUnchanged(image);
        EXPECT_EQ(buffer, untouched);

        EXPECT_TRUE((image.*codec.encode)(buffer.data(), c.pixelBytes, 1));
        EXPECT_TRUE((image.*codec.decode)(buffer.data(), c.pixelBytes, 1));
    }
}

TEST(RowCodecs, ARowOutsideTheImageOrAMissingBufferIsRefusedAndNothingIsTouched) {
    for (const Codec& codec : kCodecs) {
        SCOPED_TRACE(codec.name);
        BitmapImage image;
        Paint(image, codec.depth, 3, 2);
        Bytes buffer(16, 0xA5);
        const Bytes untouched = buffer;
        for (std::int32_t row : {-1, 2, INT32_MIN, INT32_MAX}) {
            EXPECT_FALSE((image.*codec.decode)(buffer.data(), 16, row));
            EXPECT_FALSE((image.*codec.encode)(buffer.data(), 16, row));
        }
        EXPECT_FALSE((image.*codec.decode)(nullptr, 16, 0));
        EXPECT_FALSE((image.*codec.encode)(nullptr, 16, 0));
        ExpectPixelsUnchanged(image);
        EXPECT_EQ(buffer, untouched);
    }
}

// An indexed image whose palette entry i is a colour of its own, alpha included.
void DistinctPalette(BitmapImage& image, std::int32_t depth, std::int32_t width) {
    ASSERT_TRUE(image.ChangeDepth(depth));
    ASSERT_TRUE(image.Resize(width, 1));
    for (std::int32_t i = 0; i < image.PaletteSize(); ++i) {
        image.SetPaletteEntry(
            i, Pixel{static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(255 - i),
                     static_cast<std::uint8_t>(i * 3), static_cast<std::uint8_t>(i + 1)});
    }
}

TEST(RowCodecs, PackedIndicesPutTheFirstPixelInTheHighestBits) {
    struct Case {
        std::int32_t depth;
        std::vector<std::int32_t> indices;
        Bytes bytes;  // the pixel bytes; unused low bits of the last byte are 0
    } cases[] = {
        {4, {9}, {0x90}},
        {4, {3, 10, 15}, {0x3A, 0xF0}},
        {4, {1, 2, 3, 4}, {0x12, 0x34}},
        {1, {1}, {0x80}},
        {1, {1, 0, 1, 1, 0, 0, 0, 1, 1}, {0xB1, 0x80}},
        {1, {0, 1, 0, 1, 0, 1, 0, 1}, {0x55}},
        {8, {0, 7, 255}, {0, 7, 255}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "depth " << c.depth << ", " << c.indices.size() << " pixels");
        const Codec& codec = CodecFor(c.depth);
        const auto width = static_cast<std::int32_t>(c.indices.size());
        BitmapImage image;
        DistinctPalette(image, c.depth, width);
        for (std::int32_t x = 0; x < width; ++x) {
            image.StorePixel(x, 0, image.PaletteEntry(c.indices[static_cast<std::size_t>(x)]));
        }

        // The encoder writes only the pixel bytes.
        Bytes buffer(c.bytes.size() + 2, 0xEE);
        ASSERT_TRUE(
            (image.*codec.encode)(buffer.data(), static_cast<std::int32_t>(buffer.size()), 0));
        Bytes expected = c.bytes;
        expected.insert(expected.end(), {0xEE, 0xEE});
        EXPECT_EQ(buffer, expected);

        // The decoder ignores the bits beyond the last pixel and the bytes after it.
        Bytes stored = c.bytes;
        if (c.depth != 8) {
            const std::int32_t unusedBits =
                static_cast<std::int32_t>(c.bytes.size()) * 8 - width * c.depth;
            stored.back() = static_cast<std::uint8_t>(stored.back() | ((1u << unusedBits) - 1));
        }
        stored.push_back(0xFF);
        ASSERT_TRUE(image.Resize(width, 1));
        ASSERT_TRUE(
            (image.*codec.decode)(stored.data(), static_cast<std::int32_t>(stored.size()), 0));
        for (std::int32_t x = 0; x < width; ++x) {
            EXPECT_EQ(image.PixelValue(x, 0),
                      image.PaletteEntry(c.indices[static_cast<std::size_t>(x)]))
                << "pixel " << x;
        }
    }
}

TEST(RowCodecs, IndexedDecodersTakeAllFourBytesOfTheEntryAndWhiteBeyondThePalette) {
    BitmapImage image;
    ASSERT_TRUE(image.ChangeDepth(4));
    ASSERT_TRUE(image.Resize(3, 1));
    image.SetPaletteEntry(2, Pixel{1, 2, 3, 77});
    // DecodeRow8 on a 16-entry palette: index 200 has no entry.
    const std::uint8_t bytes[] = {2, 200, 15};
    ASSERT_TRUE(image.DecodeRow8(bytes, 3, 0));
    EXPECT_EQ(image.PixelValue(0, 0), (Pixel{1, 2, 3, 77}));
    EXPECT_EQ(image.PixelValue(1, 0), kWhite);
    EXPECT_EQ(image.PixelValue(2, 0), (Pixel{255, 255, 255, 0}));
}

TEST(RowCodecs, TrueColourRowsHoldBlueGreenRedInPixelOrder) {
    BitmapImage image;
    ASSERT_TRUE(image.Resize(2, 2));
    image.StorePixel(0, 1, Pixel{1, 2, 3, 4});
    image.StorePixel(1, 1, Pixel{5, 6, 7, 8});

    Bytes buffer(10, 0xEE);
    ASSERT_TRUE(image.EncodeRow24(buffer.data(), 10, 1));
    EXPECT_EQ(buffer, (Bytes{1, 2, 3, 5, 6, 7, 0xEE, 0xEE, 0xEE, 0xEE}));
    ASSERT_TRUE(image.EncodeRow32(buffer.data(), 10, 1));
    EXPECT_EQ(buffer, (Bytes{1, 2, 3, 4, 5, 6, 7, 8, 0xEE, 0xEE}));

    // 24 bits keep the alpha in the image; 32 bits take the stored fourth byte.
    const std::uint8_t stored[] = {10, 20, 30, 40, 50, 60, 70, 80};
    image.StorePixel(0, 0, Pixel{0, 0, 0, 99});
    ASSERT_TRUE(image.DecodeRow24(stored, 6, 0));
    EXPECT_EQ(image.PixelValue(0, 0), (Pixel{10, 20, 30, 99}));
    EXPECT_EQ(image.PixelValue(1, 0), (Pixel{40, 50, 60, 0}));
    ASSERT_TRUE(image.DecodeRow32(stored, 8, 0));
    EXPECT_EQ(image.PixelValue(0, 0), (Pixel{10, 20, 30, 40}));
    EXPECT_EQ(image.PixelValue(1, 0), (Pixel{50, 60, 70, 80}));
}

// Many colours, each repeated a few times, so that remembered indices are both hit and
// overwritten.
void ManyColours(BitmapImage& image, std::int32_t width) {
    ASSERT_TRUE(image.Resize(width, 1));
    for (std::int32_t x = 0; x < width; ++x) {
        const auto v = static_cast<std::uint32_t>(x / 3) * 2654435761u;
        image.StorePixel(x, 0,
                         Pixel{static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
                               static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(x)});
    }
}

TEST(RowCodecs, IndexedEncodersStoreTheNearestPaletteIndexOfEveryPixel) {
    struct Case {
        const char* name;
        std::int32_t imageDepth;
        bool grey;
        std::int32_t codecDepth;
    } cases[] = {
        {"standard 8-bit table", 8, false, 8},
        {"grey 8-bit table", 8, true, 8},
        {"standard 4-bit table", 4, false, 4},
        {"grey 4-bit table", 4, true, 4},
        {"1-bit table", 1, false, 1},
        // Indices above 15 packed into nibbles: each byte keeps the low 8 bits of
        // 16 x first + second.
        {"8-bit table through the 4-bit encoder", 8, false, 4},
        {"no table at all", 24, false, 8},
    };
    const std::int32_t width = 3001;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BitmapImage image;
        ASSERT_TRUE(image.ChangeDepth(c.imageDepth));
        if (c.grey) {
            FillGrayscalePalette(image);
        }
        ManyColours(image, width);
        Bytes expected(
            (static_cast<std::size_t>(width) * static_cast<std::size_t>(c.codecDepth) + 7) / 8, 0);
        const std::int32_t perByte = 8 / c.codecDepth;
        for (std::int32_t x = 0; x < width; ++x) {
            const std::uint32_t index = image.NearestPaletteIndex(image.PixelValue(x, 0));
            const std::int32_t shift = 8 - c.codecDepth * (x % perByte + 1);
            std::uint8_t& byte = expected[static_cast<std::size_t>(x / perByte)];
            byte = static_cast<std::uint8_t>(byte + (index << shift));
        }
        Bytes buffer(expected.size(), 0);
        ASSERT_TRUE((image.*CodecFor(c.codecDepth).encode)(
            buffer.data(), static_cast<std::int32_t>(buffer.size()), 0));
        EXPECT_EQ(buffer, expected);
    }
}

TEST(RowCodecs, AnEightBitRowEncodedAndDecodedGivesTheNearestPaletteColours) {
    BitmapImage image;
    ASSERT_TRUE(image.ChangeDepth(8));
    ManyColours(image, 500);
    std::vector<Pixel> nearest;
    for (std::int32_t x = 0; x < 500; ++x) {
        nearest.push_back(image.PaletteEntry(image.NearestPaletteIndex(image.PixelValue(x, 0))));
    }
    Bytes buffer(500);
    ASSERT_TRUE(image.EncodeRow8(buffer.data(), 500, 0));
    ASSERT_TRUE(image.DecodeRow8(buffer.data(), 500, 0));
    for (std::int32_t x = 0; x < 500; ++x) {
        EXPECT_EQ(image.PixelValue(x, 0), nearest[static_cast<std::size_t>(x)]) << x;
    }
}

}  // namespace
}  // namespace zoro
