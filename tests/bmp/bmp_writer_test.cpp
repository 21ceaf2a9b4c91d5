#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <string>
#include <vector>

#include "image/bitmap_image.h"
#include "image/palette.h"
#include "support/bmp_bytes.h"
#include "support/temp_dir.h"
#include "support/test_images.h"

namespace zoro {
namespace {

class Writer : public ::testing::Test {
  protected:
    Bytes Save(BitmapImage& image) {
        const std::string path = dir_.File("out.bmp");
        EXPECT_TRUE(image.SaveToFile(path.c_str()));
        return ReadBytes(path);
    }
    TempDir dir_;
};

TEST_F(Writer, SizesOffsetsAndHeaderFieldsFollowTheDepthAndWidth) {
    struct Case {
        std::int32_t depth, width, height;
        std::uint32_t fileSize, offBits, sizeImage, stride;
    } cases[] = {
        {24, 3, 2, 78, 54, 24, 12}, {24, 1, 1, 58, 54, 4, 4},     {24, 4, 1, 66, 54, 12, 12},
        {24, 2, 3, 78, 54, 24, 8},  {32, 3, 2, 78, 54, 24, 12},   {1, 1, 1, 66, 62, 4, 4},
        {1, 32, 1, 66, 62, 4, 4},   {1, 33, 2, 78, 62, 16, 8},    {4, 3, 2, 126, 118, 8, 4},
        {4, 9, 1, 126, 118, 8, 8},  {8, 5, 2, 1094, 1078, 16, 8}, {8, 4, 1, 1082, 1078, 4, 4},
        {16, 3, 2, 82, 66, 16, 8},  {16, 2, 2, 74, 66, 8, 4},     {16, 1, 1, 70, 66, 4, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.depth << " bits, " << c.width << " x " << c.height);
        BitmapImage image;
        Paint(image, c.depth, c.width, c.height);
        const Bytes bytes = Save(image);
        ASSERT_EQ(bytes.size(), c.fileSize);

        BmpHeaders expected;
        expected.fileSize = c.fileSize;
        expected.offBits = c.offBits;
        expected.width = c.width;
        expected.height = c.height;
        expected.bitCount = static_cast<std::uint16_t>(c.depth);
        expected.compression = c.depth == 16 ? 3 : 0;
        expected.sizeImage = c.sizeImage;
        expected.xPelsPerMeter = 3780;
        expected.yPelsPerMeter = 3780;
        EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + 54), expected.ToBytes());

        // Every row ends in zero bytes up to the stride.
        const std::uint32_t pixelBytes = (static_cast<std::uint32_t>(c.width * c.depth) + 7) / 8;
        for (std::uint32_t row = 0; row < static_cast<std::uint32_t>(c.height); ++row) {
            for (std::uint32_t i = pixelBytes; i < c.stride; ++i) {
                EXPECT_EQ(bytes[c.offBits + row * c.stride + i], 0)
                    << "row " << row << " byte " << i;
            }
        }
    }
}

TEST_F(Writer, ATwentyFourBitImageIsWrittenByteForByteBottomRowFirst) {
    BitmapImage image;
    ASSERT_TRUE(image.Resize(3, 2));
    for (std::int32_t x = 0; x < 3; ++x) {
        const auto v = static_cast<std::uint8_t>(x * 3);
        image.StorePixel(x, 0,
                         Pixel{static_cast<std::uint8_t>(v + 1), static_cast<std::uint8_t>(v + 2),
                               static_cast<std::uint8_t>(v + 3), 99});
        image.StorePixel(x, 1,
                         Pixel{static_cast<std::uint8_t>(v + 11), static_cast<std::uint8_t>(v + 12),
                               static_cast<std::uint8_t>(v + 13), 99});
    }
    const Bytes expected = {
        'B', 'M', 78, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0,                // file header
        40, 0, 0, 0, 3, 0, 0, 0, 2, 0, 0, 0, 1, 0, 24, 0, 0, 0, 0, 0,  // info
                                                                       // header
        24, 0, 0, 0, 0xC4, 0x0E, 0, 0, 0xC4, 0x0E, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 11, 12, 13, 14, 15,
        16, 17, 18, 19, 0, 0, 0,             // row y = 1
        1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 0, 0,  // row y = 0
    };
    EXPECT_EQ(Save(image), expected);
}

TEST_F(Writer, ThirtyTwoBitRowsCarryAlpha) {
    BitmapImage image;
    ASSERT_TRUE(image.ChangeDepth(32));
    ASSERT_TRUE(image.Resize(2, 1));
    image.StorePixel(0, 0, Pixel{1, 2, 3, 4});
    image.StorePixel(1, 0, Pixel{5, 6, 7, 0});
    const Bytes bytes = Save(image);
    EXPECT_EQ(Bytes(bytes.begin() + 54, bytes.end()), (Bytes{1, 2, 3, 4, 5, 6, 7, 0}));
}

TEST_F(Writer, SixteenBitFilesCarryFiveSixFiveMasksAndWords) {
    BitmapImage image;
    ASSERT_TRUE(image.ChangeDepth(16));
    ASSERT_TRUE(image.Resize(3, 2));
    image.StorePixel(0, 1, Pixel{0, 50, 30, 0});      // red 30, green 50: 6528
    image.StorePixel(1, 1, Pixel{255, 255, 255, 7});  // white
    image.StorePixel(2, 1, Pixel{7, 3, 7, 0});        // everything below one step: 0
    image.StorePixel(0, 0, Pixel{8, 4, 8, 0});        // one step of each: 0x0821
    image.StorePixel(1, 0, Pixel{0, 252, 0, 0});
    image.StorePixel(2, 0, Pixel{248, 0, 0, 0});
    const Bytes bytes = Save(image);
    const Bytes expected = {0x00, 0xF8, 0,    0,    0xE0, 0x07, 0, 0, 0x1F, 0, 0, 0,  // masks
                            0x80, 0x19, 0xFF, 0xFF, 0x00, 0x00, 0, 0,                 // row y = 1
                            0x21, 0x08, 0xE0, 0x07, 0x1F, 0x00, 0, 0};                // row y = 0
    EXPECT_EQ(Bytes(bytes.begin() + 54, bytes.end()), expected);
}

TEST_F(Writer, IndexedFilesCarryTheImagesWholeTableAndTheNearestIndices) {
    BitmapImage image;
    ASSERT_TRUE(image.ChangeDepth(8));
    ASSERT_TRUE(FillGrayscalePalette(image));
    image.SetPaletteEntry(3, Pixel{10, 20, 30, 77});
    ASSERT_TRUE(image.Resize(3, 1));
    image.StorePixel(0, 0, Pixel{100, 101, 102, 0});  // nearest grey 101
    image.StorePixel(1, 0, Pixel{30, 20, 10, 0});     // nearest: entry 3's colour ...
    image.StorePixel(2, 0, Pixel{10, 20, 30, 0});     // ... or itself
    const Bytes bytes = Save(image);
    ASSERT_EQ(bytes.size(), 1078u + 4u);
    for (std::uint32_t j = 0; j < 256; ++j) {
        const Pixel e = image.PaletteEntry(static_cast<std::int32_t>(j));
        ASSERT_EQ(Bytes(bytes.begin() + 54 + 4 * j, bytes.begin() + 58 + 4 * j),
                  (Bytes{e.blue, e.green, e.red, e.alpha}))
            << "entry " << j;
    }
    EXPECT_EQ(Bytes(bytes.begin() + 1078, bytes.end()),
              (Bytes{101, image.NearestPaletteIndex(Pixel{30, 20, 10, 0}), 3, 0}));

    // Packed depths: the first pixel in the highest bits.
    BitmapImage packed;
    ASSERT_TRUE(packed.ChangeDepth(1));
    ASSERT_TRUE(packed.Resize(9, 1));
    for (std::int32_t x : {0, 2, 3, 7, 8}) {
        packed.StorePixel(x, 0, Pixel{0, 0, 0, 0});
    }
    const Bytes one = Save(packed);
    EXPECT_EQ(Bytes(one.begin() + 62, one.end()), (Bytes{0x4E, 0x00, 0, 0}));
}

TEST_F(Writer, AnUnsetResolutionIsWrittenAsNinetySixDotsPerInchAndStaysUnset) {
    BitmapImage image;
    image.SetPelsPerMeter(2835, 0);
    const Bytes bytes = Save(image);
    EXPECT_EQ(Get32(bytes, 38), 2835u);
    EXPECT_EQ(Get32(bytes, 42), 3780u);
    EXPECT_EQ(image.XPelsPerMeter(), 2835);
    EXPECT_EQ(image.YPelsPerMeter(), 0);
}

// What a pixel becomes after a write and a read at each depth.
Pixel AfterRoundTrip(const BitmapImage& image, Pixel p) {
    switch (image.Depth()) {
        case 32:
            return p;
        case 24:
            return Pixel{p.blue, p.green, p.red, 0};
        case 16:
            return Pixel{static_cast<std::uint8_t>(p.blue & 0xF8),
                         static_cast<std::uint8_t>(p.green & 0xF8),
                         static_cast<std::uint8_t>(p.red & 0xF8), 0};
        default:
            return image.PaletteEntry(image.NearestPaletteIndex(p));
    }
}

TEST_F(Writer, EveryDepthAndPaddingReadsBackAsWritten) {
    for (std::int32_t depth : {1, 4, 8, 16, 24, 32}) {
        for (std::int32_t width = 1; width <= 9; ++width) {
            SCOPED_TRACE(testing::Message() << depth << " bits, width " << width);
            BitmapImage image;
            Paint(image, depth, width, 3);
            image.SetPelsPerMeter(1000, 2000);
            const std::string path = dir_.File("round.bmp");
            ASSERT_TRUE(image.SaveToFile(path.c_str()));
            BitmapImage back;
            ASSERT_TRUE(back.LoadFromFile(path.c_str()));
            ASSERT_EQ(back.Depth(), depth);
            ASSERT_EQ(back.Width(), width);
            ASSERT_EQ(back.Height(), 3);
            EXPECT_EQ(back.XPelsPerMeter(), 1000);
            EXPECT_EQ(back.YPelsPerMeter(), 2000);
            for (std::int32_t i = 0; i < back.PaletteSize() && i < 256; ++i) {
                ASSERT_EQ(back.PaletteEntry(i), image.PaletteEntry(i));
            }
            for (std::int32_t y = 0; y < 3; ++y) {
                for (std::int32_t x = 0; x < width; ++x) {
                    ASSERT_EQ(back.PixelValue(x, y), AfterRoundTrip(image, Varied(x, y)))
                        << x << "," << y;
                }
            }
        }
    }
}

TEST_F(Writer, AFileThatCannotBeOpenedIsAFailureAndLeavesNoFile) {
    BitmapImage image;
    EXPECT_FALSE(image.SaveToFile(dir_.File("no/such/folder/out.bmp").c_str()));
    EXPECT_FALSE(image.SaveToFile(dir_.Path().c_str()));
    EXPECT_FALSE(image.SaveToFile(nullptr));
    EXPECT_TRUE(Listing(dir_.Path()).empty());
}

TEST_F(Writer, ShortWritesAreReportedAsFailure) {
    if (access("/dev/full", W_OK) != 0) {
        GTEST_SKIP() << "/dev/full is not available";
    }
    // A small file fails when it is closed; a large one in the middle of its rows.
    struct Case {
        std::int32_t depth, width, height;
    } cases[] = {{24, 2, 2}, {24, 300, 300}, {16, 300, 300}, {8, 300, 300}, {1, 5, 5}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.depth << " bits, " << c.width << " x " << c.height);
        BitmapImage image;
        Paint(image, c.depth, c.width, c.height);
        EXPECT_FALSE(image.SaveToFile("/dev/full"));
    }
}

TEST_F(Writer, AFailedWriteLeavesTheFileThatWasThereAndNoTemporary) {
    const std::string path = dir_.File("keep.bmp");
    const Bytes before = {'o', 'l', 'd'};
    WriteBytes(path, before);
    // The child may write at most 100000 bytes per file; the image needs 270054.
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{100000, 100000};
        setrlimit(RLIMIT_FSIZE, &limit);
        BitmapImage image;
        image.Resize(300, 300);
        _exit(image.SaveToFile(path.c_str()) ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "SaveToFile reported success";
    EXPECT_EQ(ReadBytes(path), before);
    EXPECT_EQ(Listing(dir_.Path()), std::vector<std::string>{"keep.bmp"});
}

TEST_F(Writer, AnImageCanBeSavedOverTheFileItWasLoadedFrom) {
    BitmapImage image;
    Paint(image, 24, 4, 3);
    const std::string path = dir_.File("same.bmp");
    ASSERT_TRUE(image.SaveToFile(path.c_str()));
    const Bytes first = ReadBytes(path);
    BitmapImage loaded;
    ASSERT_TRUE(loaded.LoadFromFile(path.c_str()));
    ASSERT_TRUE(loaded.SaveToFile(path.c_str()));
    EXPECT_EQ(ReadBytes(path), first);
}

}  // namespace
}  // namespace zoro
