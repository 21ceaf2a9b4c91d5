#include "image/palette.h"

#include <gtest/gtest.h>

namespace zoro {
namespace {

Pixel Rgb(int r, int g, int b, int a = 0) {
    return Pixel{static_cast<std::uint8_t>(b), static_cast<std::uint8_t>(g),
                 static_cast<std::uint8_t>(r), static_cast<std::uint8_t>(a)};
}

BitmapImage& AtDepth(BitmapImage& image, int depth) {
    EXPECT_TRUE(image.ChangeDepth(depth));
    return image;
}

TEST(ChangeDepth, RefusesUnsupportedDepthsAndChangesNothing) {
    for (int depth : {0, 2, 3, 15, 31, 33, -1, 64}) {
        BitmapImage image;
        AtDepth(image, 8);
        image.SetPaletteEntry(3, Rgb(1, 2, 3));
        image.Resize(2, 2);
        image.StorePixel(1, 1, Rgb(9, 9, 9));
        EXPECT_FALSE(image.ChangeDepth(depth));
        EXPECT_EQ(image.Depth(), 8);
        EXPECT_EQ(image.PaletteEntry(3), Rgb(1, 2, 3));
        EXPECT_EQ(image.PixelValue(1, 1), Rgb(9, 9, 9));
    }
}

TEST(ChangeDepth, SameDepthRestoresTheStandardTableAndKeepsPixels) {
    BitmapImage image;
    AtDepth(image, 8);
    image.Resize(2, 1);
    image.StorePixel(0, 0, Rgb(10, 20, 30, 40));
    image.SetPaletteEntry(0, Rgb(1, 2, 3));
    EXPECT_TRUE(image.ChangeDepth(8));
    EXPECT_EQ(image.PaletteEntry(0), Rgb(0, 0, 0));
    EXPECT_EQ(image.PixelValue(0, 0), Rgb(10, 20, 30, 40));
}

TEST(ChangeDepth, NonIndexedDepthDropsThePalette) {
    for (int depth : {16, 24, 32}) {
        BitmapImage image;
        AtDepth(image, 8);
        EXPECT_TRUE(image.ChangeDepth(depth));
        EXPECT_FALSE(image.HasPalette());
        EXPECT_EQ(image.PaletteEntry(0), kWhite);
        EXPECT_FALSE(image.SetPaletteEntry(0, Rgb(1, 1, 1)));
    }
}

TEST(PaletteEntry, RangeChecksOnEveryIndexedDepth) {
    struct Case {
        int depth, size;
    } cases[] = {{1, 2}, {4, 16}, {8, 256}};
    for (const Case& c : cases) {
        BitmapImage image;
        AtDepth(image, c.depth);
        for (int index : {-1, c.size, c.size + 1, INT32_MAX, INT32_MIN}) {
            EXPECT_EQ(image.PaletteEntry(index), kWhite);
            EXPECT_FALSE(image.SetPaletteEntry(index, Rgb(1, 2, 3)));
        }
        EXPECT_EQ(image.PaletteEntry(c.size - 1), Rgb(255, 255, 255));
        EXPECT_TRUE(image.SetPaletteEntry(c.size - 1, Rgb(1, 2, 3, 77)));
        EXPECT_EQ(image.PaletteEntry(c.size - 1), Rgb(1, 2, 3, 77));
    }
}

TEST(StandardPalette, OneBitIsBlackAndWhite) {
    BitmapImage image;
    AtDepth(image, 1);
    EXPECT_EQ(image.PaletteEntry(0), Rgb(0, 0, 0));
    EXPECT_EQ(image.PaletteEntry(1), Rgb(255, 255, 255));
}

TEST(StandardPalette, FourBitTable) {
    const Pixel want[16] = {
        Rgb(0, 0, 0),       Rgb(128, 0, 0),   Rgb(0, 128, 0),   Rgb(128, 128, 0),
        Rgb(0, 0, 128),     Rgb(128, 0, 128), Rgb(0, 128, 128), Rgb(128, 128, 128),
        Rgb(192, 192, 192), Rgb(255, 0, 0),   Rgb(0, 255, 0),   Rgb(255, 255, 0),
        Rgb(0, 0, 255),     Rgb(255, 0, 255), Rgb(0, 255, 255), Rgb(255, 255, 255)};
    BitmapImage image;
    AtDepth(image, 4);
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(image.PaletteEntry(i), want[i]) << i;
    }
}

TEST(StandardPalette, EightBitCubeWithTwentyFixedEntries) {
    BitmapImage image;
    AtDepth(image, 8);
    struct Fixed {
        int index;
        Pixel colour;
    } fixed[] = {{0, Rgb(0, 0, 0)},         {1, Rgb(128, 0, 0)},       {2, Rgb(0, 128, 0)},
                 {3, Rgb(128, 128, 0)},     {4, Rgb(0, 0, 128)},       {5, Rgb(128, 0, 128)},
                 {6, Rgb(0, 128, 128)},     {7, Rgb(192, 192, 192)},   {8, Rgb(192, 220, 192)},
                 {9, Rgb(166, 202, 240)},   {246, Rgb(255, 251, 240)}, {247, Rgb(160, 160, 164)},
                 {248, Rgb(128, 128, 128)}, {249, Rgb(255, 0, 0)},     {250, Rgb(0, 255, 0)},
                 {251, Rgb(255, 255, 0)},   {252, Rgb(0, 0, 255)},     {253, Rgb(255, 0, 255)},
                 {254, Rgb(0, 255, 255)},   {255, Rgb(255, 255, 255)}};
    for (const Fixed& f : fixed) {
        EXPECT_EQ(image.PaletteEntry(f.index), f.colour) << f.index;
    }
    for (int i = 10; i <= 245; ++i) {
        const int r = i % 8, g = (i / 8) % 8, b = i / 64;
        EXPECT_EQ(image.PaletteEntry(i), Rgb(32 * r, 32 * g, 64 * b)) << i;
    }
    EXPECT_EQ(image.PaletteEntry(164), Rgb(128, 128, 128));
}

TEST(NearestPaletteIndex, EightBitStandardTable) {
    struct Case {
        Pixel colour;
        int want;
    } cases[] = {{Rgb(128, 128, 128), 164}, {Rgb(192, 192, 192), 7}, {Rgb(255, 255, 255), 255},
                 {Rgb(255, 251, 240), 246}, {Rgb(250, 5, 5), 249},   {Rgb(224, 224, 192), 8},
                 {Rgb(32, 0, 0), 0},        {Rgb(1, 1, 1), 0},       {Rgb(0, 0, 0, 99), 0}};
    BitmapImage image;
    AtDepth(image, 8);
    for (const Case& c : cases) {
        EXPECT_EQ(image.NearestPaletteIndex(c.colour), c.want);
    }
}

TEST(NearestPaletteIndex, TiesKeepTheLowestIndex) {
    struct Case {
        int depth;
        Pixel colour;
        int want;
    } cases[] = {{4, Rgb(64, 0, 0), 0},
                 {4, Rgb(200, 200, 200), 8},
                 {4, Rgb(100, 100, 100), 7},
                 {1, Rgb(127, 127, 127), 0},
                 {1, Rgb(128, 128, 128), 1}};
    for (const Case& c : cases) {
        BitmapImage image;
        AtDepth(image, c.depth);
        EXPECT_EQ(image.NearestPaletteIndex(c.colour), c.want);
    }
}

TEST(NearestPaletteIndex, AlphaTakesNoPart) {
    BitmapImage image;
    AtDepth(image, 1);
    image.SetPaletteEntry(0, Rgb(10, 10, 10, 0));
    image.SetPaletteEntry(1, Rgb(10, 10, 10, 200));
    EXPECT_EQ(image.NearestPaletteIndex(Rgb(10, 10, 10, 200)), 0);
}

TEST(NearestPaletteIndex, ImageWithoutPaletteGivesZero) {
    for (int depth : {16, 24, 32}) {
        BitmapImage image;
        AtDepth(image, depth);
        EXPECT_EQ(image.NearestPaletteIndex(Rgb(1, 2, 3)), 0);
    }
}

TEST(FillGrayscalePalette, RampsForEachIndexedDepth) {
    struct Case {
        int depth, step;
    } cases[] = {{1, 255}, {4, 17}, {8, 1}};
    for (const Case& c : cases) {
        BitmapImage image;
        AtDepth(image, c.depth);
        image.SetPaletteEntry(0, Rgb(1, 2, 3, 4));
        EXPECT_TRUE(FillGrayscalePalette(image));
        for (int i = 0; i < image.PaletteSize(); ++i) {
            const int level = i * c.step;
            EXPECT_EQ(image.PaletteEntry(i), Rgb(level, level, level, 0)) << i;
        }
    }
}

TEST(FillGrayscalePalette, RefusesNonIndexedImages) {
    for (int depth : {16, 24, 32}) {
        BitmapImage image;
        AtDepth(image, depth);
        EXPECT_FALSE(FillGrayscalePalette(image));
        EXPECT_FALSE(image.HasPalette());
    }
}

}  // namespace
}  // namespace zoro
