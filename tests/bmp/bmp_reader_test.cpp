#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "image/bitmap_image.h"
#include "support/bmp_bytes.h"
#include "support/temp_dir.h"

namespace zoro {
namespace {

constexpr Pixel kMarked{1, 2, 3, 4};

// A colour of its own for every palette index, alpha included.
Pixel Entry(std::int32_t j) {
    return Pixel{static_cast<std::uint8_t>(j), static_cast<std::uint8_t>(255 - j),
                 static_cast<std::uint8_t>(j * 7), static_cast<std::uint8_t>(j + 1)};
}

Bytes Table(std::int32_t entries) {
    Bytes out;
    for (std::int32_t j = 0; j < entries; ++j) {
        const Pixel e = Entry(j);
        out.insert(out.end(), {e.blue, e.green, e.red, e.alpha});
    }
    return out;
}

BmpHeaders Headers(std::uint16_t bitCount, std::int32_t width, std::int32_t height,
                   std::uint32_t offBits, std::uint32_t compression = 0) {
    BmpHeaders h;
    h.bitCount = bitCount;
    h.width = width;
    h.height = height;
    h.offBits = offBits;
    h.compression = compression;
    return h;
}

Bytes File(const BmpHeaders& headers, const Bytes& body) {
    Bytes out = headers.ToBytes();
    Append(out, body);
    return out;
}

class Reader : public ::testing::Test {
  protected:
    // The image before every load: 8 bits, 3 x 2, one palette entry and one pixel changed,
    // a resolution of its own.
    void SetUp() override {
        ASSERT_TRUE(image_.ChangeDepth(8));
        ASSERT_TRUE(image_.Resize(3, 2));
        image_.SetPaletteEntry(0, kMarked);
        image_.StorePixel(1, 1, kMarked);
        image_.SetPelsPerMeter(1234, 5678);
    }

    bool Load(const Bytes& bytes) {
        const std::string path = dir_.File("in.bmp");
        WriteBytes(path, bytes);
        return image_.LoadFromFile(path.c_str());
    }

    void ExpectUntouched() {
        EXPECT_EQ(image_.Depth(), 8);
        EXPECT_EQ(image_.Width(), 3);
        EXPECT_EQ(image_.Height(), 2);
        EXPECT_EQ(image_.PaletteEntry(0), kMarked);
        EXPECT_EQ(image_.PixelValue(1, 1), kMarked);
        EXPECT_EQ(image_.PixelValue(0, 0), kWhite);
        ExpectResolution(1234, 5678);
    }

    // Both resets: 1 x 1 at depth 1 with the standard table and one white pixel.
    void ExpectReset(std::int32_t xPels, std::int32_t yPels) {
        EXPECT_EQ(image_.Depth(), 1);
        EXPECT_EQ(image_.Width(), 1);
        EXPECT_EQ(image_.Height(), 1);
        EXPECT_EQ(image_.PaletteEntry(0), (Pixel{0, 0, 0, 0}));
        EXPECT_EQ(image_.PaletteEntry(1), kWhite);
        EXPECT_EQ(image_.PixelValue(0, 0), kWhite);
        ExpectResolution(xPels, yPels);
    }

    void ExpectResolution(std::int32_t x, std::int32_t y) {
        EXPECT_EQ(image_.XPelsPerMeter(), x);
        EXPECT_EQ(image_.YPelsPerMeter(), y);
    }

    // Pixels of the image, top row first.
    void ExpectPixels(std::int32_t width, const std::vector<Pixel>& expected) {
        ASSERT_EQ(image_.Width(), width);
        ASSERT_EQ(static_cast<std::size_t>(image_.Width() * image_.Height()), expected.size());
        for (std::size_t i = 0; i < expected.size(); ++i) {
            const auto x = static_cast<std::int32_t>(i % static_cast<std::size_t>(width));
            const auto y = static_cast<std::int32_t>(i / static_cast<std::size_t>(width));
            EXPECT_EQ(image_.PixelValue(x, y), expected[i]) << "pixel " << x << "," << y;
        }
    }

    TempDir dir_;
    BitmapImage image_;
};

TEST_F(Reader, AFileThatCannotBeOpenedGetsTheResetAndKeepsTheResolution) {
    EXPECT_FALSE(image_.LoadFromFile(dir_.File("missing.bmp").c_str()));
    ExpectReset(1234, 5678);
    SetUp();
    EXPECT_FALSE(image_.LoadFromFile(dir_.Path().c_str()));
    ExpectReset(1234, 5678);
    SetUp();
    EXPECT_FALSE(image_.LoadFromFile(nullptr));
    ExpectReset(1234, 5678);
}

TEST_F(Reader, AFileThatDoesNotBeginWithTheMagicLeavesTheImageUntouched) {
    BmpHeaders other = Headers(24, 1, 1, 54);
    other.type = 0x4B50;  // "PK"
    const Bytes cases[] = {File(other, {0, 0, 0, 0}), {'X'}, {'M', 'B'}, {'b', 'm', 0, 0}};
    for (const Bytes& bytes : cases) {
        EXPECT_FALSE(Load(bytes));
        ExpectUntouched();
    }
}

TEST_F(Reader, AFileCutInsideTheHeadersGetsTheRejectionResetAndKeepsTheResolution) {
    const Bytes whole = File(Headers(24, 1, 1, 54), {1, 2, 3, 0});
    // A lone "B" passes the magic test: the missing second byte keeps the default's "M".
    for (std::ptrdiff_t length : {0, 1, 2, 6, 13, 14, 30, 45, 50, 53}) {
        SCOPED_TRACE(testing::Message() << length << " bytes");
        SetUp();
        EXPECT_FALSE(Load(Bytes(whole.begin(), whole.begin() + length)));
        ExpectReset(1234, 5678);
    }
}

TEST_F(Reader, HeadersTurnedAwayGetTheRejectionResetWithTheFileResolution) {
    struct Case {
        const char* name;
        std::uint16_t bitCount;
        std::uint32_t compression;
        std::int32_t width, height;
    } cases[] = {
        {"run-length 8", 8, 1, 2, 2},
        {"run-length 4", 4, 2, 2, 2},
        {"bit fields at 24 bits", 24, 3, 2, 2},
        {"bit fields at 32 bits", 32, 3, 2, 2},
        {"bit fields at 8 bits", 8, 3, 2, 2},
        {"compression 4", 24, 4, 2, 2},
        {"compression 0xFFFFFFFF", 24, 0xFFFFFFFF, 2, 2},
        {"depth 0", 0, 0, 2, 2},
        {"depth 2", 2, 0, 2, 2},
        {"depth 15", 15, 0, 2, 2},
        {"depth 64", 64, 0, 2, 2},
        {"width 0", 24, 0, 0, 2},
        {"negative width", 24, 0, -2, 2},
        {"height 0", 24, 0, 2, 0},
        {"top-down rows", 24, 0, 2, -2},
        {"more than 2^28 pixels", 24, 0, 16385, 16385},
        {"a row of 2^28 + 1 pixels", 8, 0, (1 << 28) + 1, 1},
        {"products beyond 32 bits", 32, 0, INT32_MAX, INT32_MAX},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        EXPECT_FALSE(
            Load(File(Headers(c.bitCount, c.width, c.height, 54, c.compression), Bytes(64, 0))));
        ExpectReset(2835, 2834);
    }
}

TEST_F(Reader, EveryDepthDecodesItsRowsBottomRowFirst) {
    const Pixel e1 = Entry(1), e2 = Entry(2), e3 = Entry(3), e15 = Entry(15), e0 = Entry(0);
    auto rgb = [](std::uint8_t r, std::uint8_t g, std::uint8_t b) { return Pixel{b, g, r, 0}; };
    struct Case {
        const char* name;
        BmpHeaders headers;
        Bytes body;                 // everything after the headers
        std::vector<Pixel> pixels;  // 3 x 2, top row first
    } cases[] = {
        {"1 bit",
         Headers(1, 3, 2, 62),
         [] {
             Bytes b = Table(2);
             Append(b, {0xA0, 0, 0, 0, 0x5F, 0xFF, 0xFF, 0xFF});
             return b;
         }(),
         {e0, e1, e0, e1, e0, e1}},
        {"4 bits",
         Headers(4, 3, 2, 118),
         [] {
             Bytes b = Table(16);
             Append(b, {0x12, 0x3F, 0, 0, 0xF0, 0x2A, 9, 9});
             return b;
         }(),
         {e15, e0, e2, e1, e2, e3}},
        {"8 bits",
         Headers(8, 3, 2, 1078),
         [] {
             Bytes b = Table(256);
             Append(b, {250, 3, 0, 7, 1, 2, 15, 9});
             return b;
         }(),
         {e1, e2, e15, Entry(250), e3, e0}},
        {"24 bits",
         Headers(24, 3, 2, 54),
         {1, 2, 3, 4, 5, 6, 7, 8, 9, 0xEE, 0xEE, 0xEE, 11, 12, 13, 14, 15, 16, 17, 18, 19, 0, 0, 0},
         {{11, 12, 13, 0},
          {14, 15, 16, 0},
          {17, 18, 19, 0},
          {1, 2, 3, 0},
          {4, 5, 6, 0},
          {7, 8, 9, 0}}},
        {"32 bits",
         Headers(32, 3, 2, 54),
         {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24},
         {{13, 14, 15, 16},
          {17, 18, 19, 20},
          {21, 22, 23, 24},
          {1, 2, 3, 4},
          {5, 6, 7, 8},
          {9, 10, 11, 12}}},
        // 5-5-5: red 0x7C00, green 0x03E0, blue 0x001F; odd rows end in two bytes.
        {"16 bits, no masks",
         Headers(16, 3, 2, 54),
         {0x00, 0x7C, 0xE0, 0x03, 0x1F, 0x00, 0xEE, 0xEE, 0xFF, 0x7F, 0x21, 0x04, 0x00, 0x00, 0, 0},
         {rgb(248, 248, 248), rgb(8, 8, 8), rgb(0, 0, 0), rgb(248, 0, 0), rgb(0, 248, 0),
          rgb(0, 0, 248)}},
        // 5-6-5 masks: green is shifted by 6, so only its top five bits count.
        {"16 bits, 5-6-5 masks",
         Headers(16, 3, 2, 66, 3),
         {0x00, 0xF8, 0,    0,    0xE0, 0x07, 0,    0,    0x1F, 0,    0,    0,    0x00, 0xF8,
          0xE0, 0x07, 0x1F, 0x00, 0,    0,    0xFF, 0xFF, 0x20, 0x00, 0x40, 0x08, 0,    0},
         {rgb(248, 248, 248), rgb(0, 0, 0), rgb(8, 8, 0), rgb(248, 0, 0), rgb(0, 248, 0),
          rgb(0, 0, 248)}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(Load(File(c.headers, c.body)));
        EXPECT_EQ(image_.Depth(), c.headers.bitCount);
        EXPECT_EQ(image_.Height(), 2);
        ExpectResolution(2835, 2834);
        ExpectPixels(3, c.pixels);
    }
}

// Every byte after the headers holds the low byte of its own file offset, so a palette
// entry shows where it was read from.
Pixel EntryReadAt(std::int64_t offset) {
    return Pixel{static_cast<std::uint8_t>(offset), static_cast<std::uint8_t>(offset + 1),
                 static_cast<std::uint8_t>(offset + 2), static_cast<std::uint8_t>(offset + 3)};
}

TEST_F(Reader, TheColourTableAndTheGapFollowTheOffsetOfThePixelData) {
    struct Case {
        const char* name;
        std::uint16_t bitCount;
        std::uint32_t infoSize;
        std::uint32_t offBits;
        std::int32_t tableStart;   // file offset of the first entry read
        std::int32_t entries;      // entries read from the file; the rest are white
        std::uint32_t dataOffset;  // where the reader takes the pixel data from
    } cases[] = {
        {"8 bits, 16 entries", 8, 40, 118, 54, 16, 118},
        {"8 bits, a partial table: no gap", 8, 40, 120, 54, 16, 118},
        {"8 bits, full table", 8, 40, 1078, 54, 256, 1078},
        {"8 bits, full table and a gap", 8, 40, 1090, 54, 256, 1090},
        {"4 bits, 18 entries capped to 16, then a 10-byte gap", 4, 40, 128, 54, 16, 128},
        {"1 bit, capped to 2 entries, then an 8-byte gap", 1, 40, 70, 54, 2, 70},
        {"1 bit, one entry", 1, 40, 58, 54, 1, 58},
        {"offset inside the headers: no table", 8, 40, 50, 54, 0, 54},
        {"negative offset: no table", 4, 40, 0x80000000u, 54, 0, 54},
        {"124-byte header, full table", 8, 124, 1162, 138, 256, 1162},
        {"108-byte header, 16 entries", 8, 108, 186, 122, 16, 186},
        {"124-byte header, 4 bits and a 6-byte gap", 4, 124, 208, 138, 16, 208},
        {"124-byte header and no table", 8, 124, 138, 138, 0, 54},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BmpHeaders headers = Headers(c.bitCount, 4, 1, c.offBits);
        headers.infoSize = c.infoSize;
        Bytes bytes = headers.ToBytes();
        while (bytes.size() < c.dataOffset) {
            bytes.push_back(static_cast<std::uint8_t>(bytes.size()));
        }
        // The one row: pixels of indices 0, 1, 0, 1 at every depth.
        const Bytes row = c.bitCount == 8   ? Bytes{0, 1, 0, 1}
                          : c.bitCount == 4 ? Bytes{0x01, 0x01, 0, 0}
                                            : Bytes{0x50, 0, 0, 0};
        Append(bytes, row);
        ASSERT_TRUE(Load(bytes));

        ASSERT_EQ(image_.Depth(), c.bitCount);
        for (std::int32_t j = 0; j < image_.PaletteSize(); ++j) {
            const Pixel expected = j < c.entries ? EntryReadAt(c.tableStart + 4 * j) : kWhite;
            ASSERT_EQ(image_.PaletteEntry(j), expected) << "entry " << j;
        }
        const Pixel p0 = image_.PaletteEntry(0), p1 = image_.PaletteEntry(1);
        ExpectPixels(4, {p0, p1, p0, p1});
    }
}

TEST_F(Reader, GapsBeforeTrueColourPixelsFollowTheOffset) {
    struct Case {
        const char* name;
        std::uint16_t bitCount;
        std::uint32_t compression;
        std::uint32_t infoSize;
        std::uint32_t offBits;
        std::uint32_t dataOffset;
    } cases[] = {
        {"24 bits, no gap", 24, 0, 40, 54, 54},
        {"24 bits, a 6-byte gap", 24, 0, 40, 60, 60},
        {"24 bits, offset inside the headers", 24, 0, 40, 40, 54},
        {"24 bits, 124-byte header", 24, 0, 124, 138, 138},
        {"32 bits, 108-byte header", 32, 0, 108, 122, 122},
        {"16 bits, no masks and a 6-byte gap", 16, 0, 40, 60, 60},
        {"16 bits, masks and a 4-byte gap", 16, 3, 40, 70, 70},
        {"16 bits, masks inside a 124-byte header", 16, 3, 124, 138, 138},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BmpHeaders headers = Headers(c.bitCount, 2, 1, c.offBits, c.compression);
        headers.infoSize = c.infoSize;
        Bytes bytes = headers.ToBytes();
        if (c.compression == 3) {
            Append(bytes, {0x00, 0xF8, 0, 0, 0xE0, 0x07, 0, 0, 0x1F, 0, 0, 0});
        }
        bytes.resize(c.dataOffset, 0xCC);
        std::vector<Pixel> expected;
        switch (c.bitCount) {
            case 16:  // 5-5-5 and 5-6-5 agree on a word of blue 1 and on pure blue
                Append(bytes, {0x01, 0x00, 0x1F, 0x00});
                expected = {{8, 0, 0, 0}, {248, 0, 0, 0}};
                break;
            case 24:
                Append(bytes, {1, 2, 3, 4, 5, 6, 0, 0});
                expected = {{1, 2, 3, 0}, {4, 5, 6, 0}};
                break;
            default:
                Append(bytes, {1, 2, 3, 4, 5, 6, 7, 8});
                expected = {{1, 2, 3, 4}, {5, 6, 7, 8}};
                break;
        }
        ASSERT_TRUE(Load(bytes));
        ExpectPixels(2, expected);
    }
}

TEST_F(Reader, RowsAfterTheEndOfTheFileStayWhiteAndTheLoadSucceeds) {
    struct Case {
        const char* name;
        std::uint16_t bitCount;
        Bytes table;
        std::size_t rowBytes;
        std::size_t storedBytes;  // pixel bytes in the file
        std::int32_t rowsLoaded;  // from the bottom
    } cases[] = {
        {"8 bits, cut inside the second row", 8, Table(256), 8, 12, 1},
        {"8 bits, cut at a row boundary", 8, Table(256), 8, 16, 2},
        {"8 bits, no pixel data", 8, Table(256), 8, 0, 0},
        {"24 bits, cut one byte short of the end", 24, {}, 16, 47, 2},
        {"32 bits, cut inside the first row", 32, {}, 20, 3, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::int32_t width = 5, height = 3;
        Bytes bytes =
            Headers(c.bitCount, width, height, 54 + static_cast<std::uint32_t>(c.table.size()))
                .ToBytes();
        Append(bytes, c.table);
        for (std::size_t i = 0; i < c.storedBytes; ++i) {
            bytes.push_back(static_cast<std::uint8_t>(i % c.rowBytes + 1));
        }
        ASSERT_TRUE(Load(bytes));
        for (std::int32_t y = 0; y < height; ++y) {
            const bool loaded = y >= height - c.rowsLoaded;
            for (std::int32_t x = 0; x < width; ++x) {
                const auto b = static_cast<std::uint8_t>(x * c.bitCount / 8 + 1);
                Pixel expected = kWhite;
                if (loaded) {
                    expected = c.bitCount == 8    ? Entry(b)
                               : c.bitCount == 24 ? Pixel{b, static_cast<std::uint8_t>(b + 1),
                                                          static_cast<std::uint8_t>(b + 2), 0}
                                                  : Pixel{b, static_cast<std::uint8_t>(b + 1),
                                                          static_cast<std::uint8_t>(b + 2),
                                                          static_cast<std::uint8_t>(b + 3)};
                }
                ASSERT_EQ(image_.PixelValue(x, y), expected) << "pixel " << x << "," << y;
            }
        }
    }
}

TEST_F(Reader, AColourTableCutShortKeepsTheStandardColoursOfTheEntriesNotRead) {
    BitmapImage standard;
    standard.ChangeDepth(8);
    Bytes bytes = Headers(8, 1, 1, 1078).ToBytes();
    Append(bytes, Table(3));
    bytes.push_back(0x42);  // one byte of entry 3
    ASSERT_TRUE(Load(bytes));
    EXPECT_EQ(image_.PaletteEntry(0), Entry(0));
    EXPECT_EQ(image_.PaletteEntry(2), Entry(2));
    Pixel partial = standard.PaletteEntry(3);
    partial.blue = 0x42;
    EXPECT_EQ(image_.PaletteEntry(3), partial);
    for (std::int32_t j = 4; j < 256; ++j) {
        ASSERT_EQ(image_.PaletteEntry(j), standard.PaletteEntry(j)) << "entry " << j;
    }
    ExpectPixels(1, {kWhite});
}

TEST_F(Reader, SixteenBitMasksAreShiftedDownToFiveBitsAndScaledByEight) {
    struct Case {
        const char* name;
        std::uint16_t mask;
        std::uint16_t word;
        std::uint8_t level;
    } cases[] = {
        {"5-5-5 red", 0x7C00, 0x7C00, 248},
        {"5-6-5 red", 0xF800, 0x0800, 8},
        {"5-6-5 green drops its lowest bit", 0x07E0, 0x0020, 0},
        {"5-6-5 green", 0x07E0, 0x07E0, 248},
        {"low five bits", 0x001F, 0x0011, 136},
        {"every bit: shift 11", 0xFFFF, 0xFFFF, 248},
        {"every bit, the top five counted", 0xFFFF, 0x07FF, 0},
        {"a mask of 32: shift 1", 0x0020, 0x0020, 128},
        {"a mask of 31 or less: shift 0", 0x0003, 0x0003, 24},
        {"the top bit alone", 0x8000, 0x8000, 128},
        {"no bits", 0x0000, 0xFFFF, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // The mask under test is the red one; green and blue take no bit.
        Bytes bytes = Headers(16, 1, 1, 66, 3).ToBytes();
        Put32(bytes, c.mask);
        Put32(bytes, 0);
        Put32(bytes, 0);
        Put16(bytes, c.word);
        Put16(bytes, 0);
        ASSERT_TRUE(Load(bytes));
        ExpectPixels(1, {Pixel{0, 0, c.level, 0}});
    }
}

TEST_F(Reader, SixteenBitPixelsAfterTheEndOfTheFileRepeatTheLastWord) {
    auto rgb = [](std::uint8_t r, std::uint8_t g, std::uint8_t b) { return Pixel{b, g, r, 0}; };
    // 5-5-5, 3 x 3. The bottom row is whole; of the middle row one word and one byte
    // remain; the top row lies wholly beyond the end.
    Bytes bytes = Headers(16, 3, 3, 54).ToBytes();
    Append(bytes, {0x00, 0x7C, 0xE0, 0x03, 0x1F, 0x00, 0, 0});
    Append(bytes, {0x21, 0x04, 0x1F});
    ASSERT_TRUE(Load(bytes));
    // The cut word keeps the high byte 0x04 and takes 0x1F: 0x041F.
    const Pixel cut = rgb(8, 0, 248);
    ExpectPixels(
        3, {cut, cut, cut, rgb(8, 8, 8), cut, cut, rgb(248, 0, 0), rgb(0, 248, 0), rgb(0, 0, 248)});

    // A file that ends inside the padding of a row: the rows above repeat its last word.
    SetUp();
    bytes = Headers(16, 1, 2, 54).ToBytes();
    Append(bytes, {0x1F, 0x00, 0});
    ASSERT_TRUE(Load(bytes));
    ExpectPixels(1, {rgb(0, 0, 248), rgb(0, 0, 248)});

    // A file that ends where the pixel data begins: every pixel is the word 0.
    SetUp();
    ASSERT_TRUE(Load(Headers(16, 2, 2, 54).ToBytes()));
    ExpectPixels(2, std::vector<Pixel>(4, Pixel{0, 0, 0, 0}));

    // Masks cut short: those not read keep the 5-5-5 defaults.
    SetUp();
    bytes = Headers(16, 1, 1, 66, 3).ToBytes();
    Append(bytes, {0x00, 0xF8});
    ASSERT_TRUE(Load(bytes));
    ExpectPixels(1, {Pixel{0, 0, 0, 0}});
}

}  // namespace
}  // namespace zoro
