#include "utilities/rescale.h"

#include <gtest/gtest.h>

#include <vector>

#include "image_fixtures.h"

namespace zoro {
namespace {

Pixel Colour(int x, int y) {
    return Pixel{static_cast<std::uint8_t>(3 * x + y), static_cast<std::uint8_t>(5 * y),
                 static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(x + y + 1)};
}

Pixel Rgb(int red, int green, int blue, int alpha = 0) {
    return Pixel{static_cast<std::uint8_t>(blue), static_cast<std::uint8_t>(green),
                 static_cast<std::uint8_t>(red), static_cast<std::uint8_t>(alpha)};
}

TEST(RescaleImage, HundredPercentKeepsColoursAndEndsAtTwentyFourBits) {
    BitmapImage image;
    ASSERT_TRUE(image.ChangeDepth(8));
    Paint(image, 4, 3, Colour);
    ASSERT_TRUE(RescaleImage(image, 'p', 100));
    ASSERT_EQ(image.Width(), 4);
    ASSERT_EQ(image.Height(), 3);
    EXPECT_EQ(image.Depth(), 24);
    EXPECT_FALSE(image.HasPalette());
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 4; ++x) {
            Pixel want = Colour(x, y);
            // Only the last pixel of the last row carries its alpha over.
            if (x != 3 || y != 2) {
                want.alpha = 0;
            }
            EXPECT_EQ(image.PixelAt(x, y), want) << x << "," << y;
        }
    }
}

TEST(RescaleImage, NewSizeFollowsTheModeTable) {
    struct Case {
        int width, height;
        char mode;
        std::int32_t value;
        int wantWidth, wantHeight;
    } cases[] = {
        {7, 7, 'W', 61, 61, 60},  // 61 / 7 * 7 is just below 61
        {7, 7, 'F', 61, 60, 61},  // a square is fitted by its height
        {7, 7, 'h', 61, 60, 61},  {5, 3, 'F', 10, 10, 6},       {3, 5, 'f', 10, 6, 10},
        {2, 1, 'w', 3, 3, 1},     {10, 4, 'P', 50, 5, 2},       {7, 3, 'P', 150, 10, 4},
        {150, 250, 'P', 1, 1, 2}, {4, 2, 'W', 0, 1, 1},         {4, 2, 'W', -8, 1, 1},
        {4, 2, 'H', -1, 1, 1},    {1, 1, 'P', INT32_MIN, 1, 1},  // the product still fits 32 bits
    };
    for (const Case& c : cases) {
        BitmapImage image;
        Paint(image, c.width, c.height, Colour);
        ASSERT_TRUE(RescaleImage(image, c.mode, c.value)) << c.mode << c.value;
        EXPECT_EQ(image.Width(), c.wantWidth) << c.width << "x" << c.height << c.mode << c.value;
        EXPECT_EQ(image.Height(), c.wantHeight) << c.width << "x" << c.height << c.mode << c.value;
    }
}

TEST(RescaleImage, ZeroOrNegativePercentKeepsOnlyTheLastPixel) {
    for (std::int32_t value : {0, -1, -250}) {
        BitmapImage image;
        Paint(image, 5, 4, Colour);
        ASSERT_TRUE(RescaleImage(image, 'P', value));
        EXPECT_EQ(Pixels(image), std::vector<Pixel>{Colour(4, 3)}) << value;
    }
}

TEST(RescaleImage, BlackToWhiteGainsATruncatedGreyBetween) {
    BitmapImage image;
    ASSERT_TRUE(image.Resize(2, 1));
    image.PixelAt(0, 0) = Rgb(0, 0, 0, 44);
    image.PixelAt(1, 0) = Rgb(255, 255, 255, 33);
    ASSERT_TRUE(RescaleImage(image, 'W', 3));
    EXPECT_EQ(Pixels(image),
              (std::vector<Pixel>{Rgb(0, 0, 0), Rgb(127, 127, 127), Rgb(255, 255, 255, 33)}));
}

TEST(RescaleImage, CentreOfATwoByTwoIsTheTruncatedAverage) {
    BitmapImage image;
    Paint(image, 2, 2, [](int, int) { return Rgb(255, 255, 255); });
    image.PixelAt(0, 0) = Rgb(0, 0, 0);
    ASSERT_TRUE(RescaleImage(image, 'P', 150));
    ASSERT_EQ(image.Width(), 3);
    ASSERT_EQ(image.Height(), 3);
    EXPECT_EQ(image.PixelAt(1, 1), Rgb(191, 191, 191));
    EXPECT_EQ(image.PixelAt(0, 0), Rgb(0, 0, 0));
    EXPECT_EQ(image.PixelAt(2, 0), Rgb(255, 255, 255));
}

// Truncation lowers a uniform white wherever the weighted sum falls a hair short of 255,
// so the few pixels that drop show the order of every operation. Blue's sum is taken in
// an order of its own and can stay 255 where red and green drop.
TEST(RescaleImage, UniformWhiteDropsTo254ExactlyWhereTheSumsFallShort) {
    struct Drop {
        int x, y, redGreen, blue;
    };
    struct Case {
        int width, height, value;
        int wantWidth, wantHeight;
        std::vector<Drop> drops;
    } cases[] = {
        {1, 4, 2, 2, 8, {{0, 1, 254, 254}, {1, 1, 254, 254}}},
        {4, 3, 6, 6, 4, {{4, 2, 254, 255}}},
        {2, 2, 4, 4, 4, {}},
        {2, 2, 7, 7, 7, {{5, 1, 254, 255}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << " to width " << c.value);
        BitmapImage image;
        Paint(image, c.width, c.height, [](int, int) { return Rgb(255, 255, 255); });
        ASSERT_TRUE(RescaleImage(image, 'W', c.value));
        ASSERT_EQ(image.Width(), c.wantWidth);
        ASSERT_EQ(image.Height(), c.wantHeight);
        std::vector<Pixel> want(static_cast<std::size_t>(c.wantWidth * c.wantHeight),
                                Rgb(255, 255, 255));
        for (const Drop& d : c.drops) {
            want[static_cast<std::size_t>(d.y * c.wantWidth + d.x)] =
                Rgb(d.redGreen, d.redGreen, d.blue);
        }
        EXPECT_EQ(Pixels(image), want);
    }
}

// A single target column or row is sampled from the source's last column or row.
TEST(RescaleImage, SingleColumnOrRowComesFromTheLastOne) {
    const auto colour = [](int along, int across) {
        return Rgb(10 * along + 100 * across, 20 * along, 30 * along + across, along + across);
    };
    BitmapImage tall;
    ASSERT_TRUE(tall.Resize(2, 6));
    BitmapImage wide;
    ASSERT_TRUE(wide.Resize(6, 2));
    for (int along = 0; along < 6; ++along) {
        for (int across = 0; across < 2; ++across) {
            tall.PixelAt(across, along) = colour(along, across);
            wide.PixelAt(along, across) = colour(along, across);
        }
    }
    // Sampling positions 0, 2.5 and 5 of the last column (or row).
    const std::vector<Pixel> want{Rgb(100, 0, 1), Rgb(125, 50, 76), colour(5, 1)};
    ASSERT_TRUE(RescaleImage(tall, 'W', 1));
    ASSERT_EQ(tall.Width(), 1);
    EXPECT_EQ(Pixels(tall), want);
    ASSERT_TRUE(RescaleImage(wide, 'H', 1));
    ASSERT_EQ(wide.Height(), 1);
    EXPECT_EQ(Pixels(wide), want);
}

TEST(RescaleImage, EveryCallFillsInAnUnsetResolution) {
    for (char mode : {'P', 'X'}) {
        BitmapImage image;
        image.SetPelsPerMeter(0, 2835);
        RescaleImage(image, mode, 100);
        EXPECT_EQ(image.XPelsPerMeter(), 3780) << mode;
        EXPECT_EQ(image.YPelsPerMeter(), 2835) << mode;
    }
}

// An 8-bit image with a changed colour table, for checking that a refusal touches
// nothing but the resolution.
void PaintIndexed(BitmapImage& image, int width, int height) {
    ASSERT_TRUE(image.ChangeDepth(8));
    ASSERT_TRUE(image.SetPaletteEntry(7, Rgb(1, 2, 3, 4)));
    Paint(image, width, height, Colour);
}

void ExpectUnchanged(const BitmapImage& image, int width, int height) {
    EXPECT_EQ(image.Width(), width);
    EXPECT_EQ(image.Height(), height);
    EXPECT_EQ(image.Depth(), 8);
    EXPECT_EQ(image.PaletteEntry(7), Rgb(1, 2, 3, 4));
    EXPECT_EQ(image.PaletteEntry(8), Rgb(192, 220, 192));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            ASSERT_EQ(image.PixelAt(x, y), Colour(x, y)) << x << "," << y;
        }
    }
    EXPECT_EQ(image.XPelsPerMeter(), 3780);
    EXPECT_EQ(image.YPelsPerMeter(), 3780);
}

TEST(RescaleImage, RefusesAnUnknownMode) {
    for (char mode : {'X', 'x', 'Q', ' ', '\0', '%'}) {
        BitmapImage image;
        PaintIndexed(image, 3, 2);
        EXPECT_FALSE(RescaleImage(image, mode, 50)) << int{mode};
        ExpectUnchanged(image, 3, 2);
    }
}

TEST(RescaleImage, RefusesSizesThatCannotBeHad) {
    struct Case {
        const char* name;
        int width, height;
        char mode;
        std::int32_t value;
    } cases[] = {
        {"percentage product overflows", 70000, 1, 'P', 40000},
        {"negative percentage product overflows", 70000, 1, 'P', -40000},
        {"percentage product of the height overflows", 1, 70000, 'p', 40000},
        {"product of INT32_MIN and 2", 2, 1, 'P', INT32_MIN},
        {"height beyond 32 bits", 1, 2, 'W', INT32_MAX},
        {"width beyond 32 bits, negative", 2, 1, 'H', INT32_MIN},
        {"fitted side above the pixel limit", 1, 3, 'F', INT32_MAX},
        {"just above the pixel limit", 1, 1, 'W', 16385},
        {"square fitted above the pixel limit", 1, 1, 'F', 16385},
        {"percentage above the pixel limit", 1, 1, 'P', INT32_MAX},
        {"product fits, size does not", 70000, 1, 'P', 30000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BitmapImage image;
        PaintIndexed(image, c.width, c.height);
        EXPECT_FALSE(RescaleImage(image, c.mode, c.value));
        ExpectUnchanged(image, c.width, c.height);
    }
}

}  // namespace
}  // namespace zoro
