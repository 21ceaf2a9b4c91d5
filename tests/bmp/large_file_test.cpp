// Pictures of many more bytes than one block of rows, the unit in which the reader and the
// writer move rows between a file and memory: every stored byte is what storing the rows
// one by one gives, and a file cut short anywhere loads as reading it row by row would.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "image/bitmap_image.h"
#include "support/bmp_bytes.h"
#include "support/temp_dir.h"
#include "support/test_images.h"

namespace zoro {
namespace {

struct Size {
    std::int32_t depth, width, height;  // each file holds at least two blocks of rows
};

constexpr Size kSizes[] = {{1, 4001, 1100}, {4, 1999, 600},  {8, 1001, 600},
                           {16, 1001, 600}, {24, 1001, 600}, {32, 1001, 600}};

std::size_t StoredRowBytes(const Size& s) {
    return (static_cast<std::size_t>(s.width) * static_cast<std::size_t>(s.depth) + 31) / 32 * 4;
}

// The stored bytes of image row y, worked out pixel by pixel with the plain palette scan.
Bytes ExpectedRow(const BitmapImage& image, std::int32_t y, const Size& s) {
    Bytes row(StoredRowBytes(s), 0);
    for (std::int32_t x = 0; x < s.width; ++x) {
        const Pixel p = image.PixelValue(x, y);
        const auto at = static_cast<std::size_t>(x);
        switch (s.depth) {
            case 32:
                row[4 * at] = p.blue, row[4 * at + 1] = p.green, row[4 * at + 2] = p.red;
                row[4 * at + 3] = p.alpha;
                break;
            case 24:
                row[3 * at] = p.blue, row[3 * at + 1] = p.green, row[3 * at + 2] = p.red;
                break;
            case 16: {
                const unsigned word = (p.red / 8u) * 2048u + (p.green / 4u) * 32u + p.blue / 8u;
                row[2 * at] = static_cast<std::uint8_t>(word);
                row[2 * at + 1] = static_cast<std::uint8_t>(word >> 8);
                break;
            }
            default: {
                const std::size_t perByte = 8 / static_cast<std::size_t>(s.depth);
                const auto shift = static_cast<unsigned>(8 - static_cast<std::size_t>(s.depth) *
                                                                 (1 + at % perByte));
                row[at / perByte] = static_cast<std::uint8_t>(
                    row[at / perByte] + (image.NearestPaletteIndex(p) << shift));
                break;
            }
        }
    }
    return row;
}

class LargeFiles : public ::testing::Test {
  protected:
    std::string Save(const Size& s, BitmapImage& image) {
        Paint(image, s.depth, s.width, s.height);
        const std::string path = dir_.File("large-" + std::to_string(s.depth) + ".bmp");
        EXPECT_TRUE(image.SaveToFile(path.c_str()));
        return path;
    }

    TempDir dir_;
};

TEST_F(LargeFiles, EveryStoredRowHoldsTheBytesOfItsPixels) {
    for (const Size& s : kSizes) {
        SCOPED_TRACE(testing::Message() << s.depth << " bits");
        BitmapImage image;
        const Bytes file = ReadBytes(Save(s, image));
        const std::size_t rowBytes = StoredRowBytes(s);
        const std::size_t offset = Get32(file, 10);
        ASSERT_EQ(file.size(), offset + rowBytes * static_cast<std::size_t>(s.height));
        for (std::int32_t stored = 0; stored < s.height; ++stored) {
            const auto begin =
                file.begin() +
                static_cast<std::ptrdiff_t>(offset + rowBytes * static_cast<std::size_t>(stored));
            if (Bytes(begin, begin + static_cast<std::ptrdiff_t>(rowBytes)) !=
                ExpectedRow(image, s.height - 1 - stored, s)) {
                FAIL() << "stored row " << stored;
            }
        }
    }
}

// Cuts: inside a row of the last block, at the end of a row, and one byte into a row (the
// 16-bit reader then makes a word of that byte and the high byte of the word before).
TEST_F(LargeFiles, AFileCutShortKeepsWhatARowByRowReadWouldKeep) {
    for (const Size& s : kSizes) {
        BitmapImage image;
        const std::string path = Save(s, image);
        const Bytes file = ReadBytes(path);
        BitmapImage whole;
        ASSERT_TRUE(whole.LoadFromFile(path.c_str()));
        const std::size_t rowBytes = StoredRowBytes(s);
        const std::size_t offset = Get32(file, 10);
        const std::size_t lastRows = offset + rowBytes * static_cast<std::size_t>(s.height - 3);
        for (std::size_t cut : {lastRows + rowBytes / 2, lastRows, lastRows + 1}) {
            SCOPED_TRACE(testing::Message() << s.depth << " bits, cut at " << cut);
            const std::string cutPath = dir_.File("cut.bmp");
            WriteBytes(cutPath,
                       Bytes(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(cut)));
            BitmapImage loaded;
            ASSERT_TRUE(loaded.LoadFromFile(cutPath.c_str()));
            const std::size_t wholeRows = (cut - offset) / rowBytes;
            std::size_t pixelsBefore = wholeRows * static_cast<std::size_t>(s.width);
            Pixel after = kWhite;  // what every pixel after the cut reads as
            if (s.depth == 16) {
                // The last word read, from this row or else the last pixel of the row before.
                const std::size_t rowStart = offset + wholeRows * rowBytes;
                const std::size_t present =
                    std::min(cut - rowStart, 2 * static_cast<std::size_t>(s.width));
                pixelsBefore += present / 2;
                unsigned word = Get16(
                    file, present >= 2
                              ? rowStart + present / 2 * 2 - 2
                              : rowStart - rowBytes + 2 * static_cast<std::size_t>(s.width) - 2);
                if (present % 2 == 1) {
                    word = (word & 0xFF00u) | file[cut - 1];
                }
                after = Pixel{static_cast<std::uint8_t>((word & 0x1Fu) * 8),
                              static_cast<std::uint8_t>(((word & 0x7E0u) >> 6) * 8),
                              static_cast<std::uint8_t>((word >> 11) * 8), 0};
            }
            std::size_t i = 0;
            for (std::int32_t stored = 0; stored < s.height; ++stored) {
                const std::int32_t y = s.height - 1 - stored;
                for (std::int32_t x = 0; x < s.width; ++x, ++i) {
                    const Pixel expected = i < pixelsBefore ? whole.PixelValue(x, y) : after;
                    if (loaded.PixelValue(x, y) != expected) {
                        FAIL() << "pixel " << x << "," << y;
                    }
                }
            }
        }
    }
}

}  // namespace
}  // namespace zoro
