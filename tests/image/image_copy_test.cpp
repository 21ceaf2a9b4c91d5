#include <gtest/gtest.h>

#include "image/bitmap_image.h"

namespace zoro {
namespace {

TEST(ImageCopy, ResolutionPassesThroughWholeDotsPerInch) {
    BitmapImage source;
    source.SetPelsPerMeter(3780, 2835);
    BitmapImage copy(source);
    EXPECT_EQ(copy.XPelsPerMeter(), 3779);
    EXPECT_EQ(copy.YPelsPerMeter(), 2834);
    BitmapImage copyOfCopy(copy);
    EXPECT_EQ(copyOfCopy.XPelsPerMeter(), 3740);
    EXPECT_EQ(copyOfCopy.YPelsPerMeter(), 2795);
}

TEST(ImageCopy, FillsInTheSourcesUnsetResolution) {
    BitmapImage source;
    BitmapImage copy(source);
    EXPECT_EQ(copy.XPelsPerMeter(), 3779);
    EXPECT_EQ(copy.YPelsPerMeter(), 3779);
    EXPECT_EQ(source.XPelsPerMeter(), 3780);
    EXPECT_EQ(source.YPelsPerMeter(), 3780);
}

TEST(ImageCopy, SmallResolutionsBecomeZero) {
    BitmapImage source;
    source.SetPelsPerMeter(39, 1);
    BitmapImage copy(source);
    EXPECT_EQ(copy.XPelsPerMeter(), 0);
    EXPECT_EQ(copy.YPelsPerMeter(), 0);
}

TEST(ImageCopy, CopiesDepthPaletteAndEveryPixelByte) {
    BitmapImage source;
    source.ChangeDepth(8);
    source.Resize(5, 3);
    for (int i = 0; i < 256; ++i) {
        source.SetPaletteEntry(
            i, Pixel{static_cast<std::uint8_t>(i), 1, 2, static_cast<std::uint8_t>(255 - i)});
    }
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 5; ++x) {
            source.StorePixel(x, y,
                              Pixel{static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y), 3,
                                    static_cast<std::uint8_t>(x * y)});
        }
    }
    BitmapImage copy(source);
    EXPECT_EQ(copy.Depth(), 8);
    ASSERT_EQ(copy.Width(), 5);
    ASSERT_EQ(copy.Height(), 3);
    for (int i = 0; i < 256; ++i) {
        EXPECT_EQ(copy.PaletteEntry(i), source.PaletteEntry(i));
    }
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 5; ++x) {
            EXPECT_EQ(copy.PixelValue(x, y), source.PixelValue(x, y));
        }
    }
    copy.PixelAt(0, 0) = Pixel{};
    EXPECT_NE(source.PixelValue(0, 0), copy.PixelValue(0, 0));
}

TEST(ImageCopy, TwentyFourBitCopyHasNoPalette) {
    BitmapImage source;
    source.ChangeDepth(4);
    source.ChangeDepth(24);
    BitmapImage copy(source);
    EXPECT_EQ(copy.Depth(), 24);
    EXPECT_FALSE(copy.HasPalette());
}

}  // namespace
}  // namespace zoro
