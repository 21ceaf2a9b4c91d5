#include "image/bitmap_image.h"

#include <gtest/gtest.h>

namespace zoro {
namespace {

Pixel Colour(int x, int y) {
    return Pixel{static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y), 7, 9};
}

// A w x h image whose pixel (x, y) is Colour(x, y).
void Paint(BitmapImage& image, int w, int h) {
    ASSERT_TRUE(image.Resize(w, h));
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            ASSERT_TRUE(image.StorePixel(x, y, Colour(x, y)));
        }
    }
}

TEST(BitmapImage, DefaultIsOneWhitePixelAtDepth24) {
    BitmapImage image;
    EXPECT_EQ(image.Width(), 1);
    EXPECT_EQ(image.Height(), 1);
    EXPECT_EQ(image.Depth(), 24);
    EXPECT_EQ(image.PaletteSize(), 1 << 24);
    EXPECT_FALSE(image.HasPalette());
    EXPECT_EQ(image.PixelValue(0, 0), kWhite);
    EXPECT_EQ(image.XPelsPerMeter(), 0);
    EXPECT_EQ(image.HorizontalDpi(), 96);
    EXPECT_EQ(image.XPelsPerMeter(), 3780);
    EXPECT_EQ(image.YPelsPerMeter(), 0);
}

TEST(BitmapImage, PixelAtClampsEachCoordinateOntoTheImage) {
    BitmapImage image;
    Paint(image, 4, 3);
    struct Case {
        int x, y, wantX, wantY;
    } cases[] = {
        {-1, -1, 0, 0},
        {4, 3, 3, 2},
        {7, -5, 3, 0},
        {-9, 2, 0, 2},
        {2, 1, 2, 1},
        {INT32_MAX, INT32_MIN, 3, 0},
        {INT32_MIN, INT32_MAX, 0, 2},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(image.PixelValue(c.x, c.y), Colour(c.wantX, c.wantY)) << c.x << "," << c.y;
        EXPECT_EQ(&image.PixelAt(c.x, c.y), &image.PixelAt(c.wantX, c.wantY));
    }
}

TEST(BitmapImage, WritesThroughPixelAtChangeTheImage) {
    BitmapImage image;
    Paint(image, 3, 3);
    image.PixelAt(1, 2) = Pixel{1, 2, 3, 4};
    EXPECT_EQ(image.PixelValue(1, 2), (Pixel{1, 2, 3, 4}));
    EXPECT_EQ(image.PixelValue(2, 1), Colour(2, 1));
}

TEST(BitmapImage, StorePixelRefusesPositionsOutsideTheImage) {
    BitmapImage image;
    Paint(image, 3, 2);
    for (auto [x, y] : {std::pair{-1, 0}, {3, 0}, {0, -1}, {0, 2}, {INT32_MIN, INT32_MAX}}) {
        EXPECT_FALSE(image.StorePixel(x, y, Pixel{}));
    }
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 3; ++x) {
            EXPECT_EQ(image.PixelValue(x, y), Colour(x, y));
        }
    }
}

TEST(BitmapImage, ResizeFillsWhiteAndKeepsDepthPaletteAndResolution) {
    BitmapImage image;
    image.ChangeDepth(8);
    image.SetPaletteEntry(5, Pixel{1, 2, 3, 4});
    image.SetPelsPerMeter(100, 200);
    Paint(image, 5, 5);
    ASSERT_TRUE(image.Resize(3, 2));
    EXPECT_EQ(image.Width(), 3);
    EXPECT_EQ(image.Height(), 2);
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 3; ++x) {
            EXPECT_EQ(image.PixelValue(x, y), kWhite);
        }
    }
    EXPECT_EQ(image.Depth(), 8);
    EXPECT_EQ(image.PaletteEntry(5), (Pixel{1, 2, 3, 4}));
    EXPECT_EQ(image.XPelsPerMeter(), 100);
    EXPECT_EQ(image.YPelsPerMeter(), 200);
}

TEST(BitmapImage, ResizeRefusalLeavesTheImageAsItWas) {
    struct Case {
        int w, h;
    } cases[] = {
        {0, 5},
        {5, -1},
        {0, 0},
        {INT32_MIN, 1},
        {1 << 15, (1 << 13) + 1},  // one row past the pixel limit
        {INT32_MAX, INT32_MAX},
    };
    for (const Case& c : cases) {
        BitmapImage image;
        Paint(image, 4, 3);
        EXPECT_FALSE(image.Resize(c.w, c.h)) << c.w << "x" << c.h;
        EXPECT_EQ(image.Width(), 4);
        EXPECT_EQ(image.Height(), 3);
        EXPECT_EQ(image.PixelValue(3, 2), Colour(3, 2));
    }
}

TEST(BitmapImage, PaletteSizeFollowsTheDepth) {
    struct Case {
        int depth, size;
    } cases[] = {{1, 2}, {4, 16}, {8, 256}, {16, 65536}, {24, 1 << 24}, {32, 1 << 24}};
    for (const Case& c : cases) {
        BitmapImage image;
        ASSERT_TRUE(image.ChangeDepth(c.depth));
        EXPECT_EQ(image.PaletteSize(), c.size) << c.depth;
    }
}

TEST(IntegerPower, WrapsInThirtyTwoBits) {
    struct Case {
        int base, exponent, want;
    } cases[] = {{3, 4, 81},         {5, -1, 1},  {0, 0, 1}, {0, 3, 0},           {2, 32, 0},
                 {2, 31, INT32_MIN}, {-2, 3, -8}, {7, 1, 7}, {3, 21, 1870418611}, {2, 24, 1 << 24}};
    for (const Case& c : cases) {
        EXPECT_EQ(IntegerPower(c.base, c.exponent), c.want) << c.base << "^" << c.exponent;
    }
}

TEST(Resolution, PassesThroughWholeDotsPerInch) {
    struct Case {
        int dpiIn, stored, dpiOut;
    } cases[] = {{96, 3779, 95}, {72, 2834, 71}, {300, 11811, 299}, {1, 39, 0}, {-10, -393, -9}};
    for (const Case& c : cases) {
        BitmapImage image;
        image.SetResolutionDpi(c.dpiIn, c.dpiIn);
        EXPECT_EQ(image.XPelsPerMeter(), c.stored);
        EXPECT_EQ(image.YPelsPerMeter(), c.stored);
        EXPECT_EQ(image.HorizontalDpi(), c.dpiOut);
        EXPECT_EQ(image.VerticalDpi(), c.dpiOut);
    }
}

TEST(Resolution, UnsetFieldsReadAsNinetySixAndBecome3780) {
    BitmapImage image;
    image.SetResolutionDpi(0, 0);
    EXPECT_EQ(image.XPelsPerMeter(), 0);
    EXPECT_EQ(image.VerticalDpi(), 96);
    EXPECT_EQ(image.YPelsPerMeter(), 3780);
    EXPECT_EQ(image.XPelsPerMeter(), 0);
    EXPECT_EQ(image.HorizontalDpi(), 96);
    EXPECT_EQ(image.XPelsPerMeter(), 3780);
}

TEST(Resolution, ExtremeDotsPerInchSaturateInsteadOfOverflowing) {
    BitmapImage image;
    image.SetResolutionDpi(INT32_MAX, INT32_MIN);
    EXPECT_EQ(image.XPelsPerMeter(), INT32_MAX);
    EXPECT_EQ(image.YPelsPerMeter(), INT32_MIN);
}

TEST(Diagnostics, SwitchStartsOnAndToggles) {
    EXPECT_TRUE(DiagnosticsEnabled());
    DiagnosticsOff();
    EXPECT_FALSE(DiagnosticsEnabled());
    DiagnosticsOn();
    EXPECT_TRUE(DiagnosticsEnabled());
}

}  // namespace
}  // namespace zoro
