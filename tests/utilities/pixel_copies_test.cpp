#include "utilities/pixel_copies.h"

#include <gtest/gtest.h>

#include <vector>

#include "image_fixtures.h"

namespace zoro {
namespace {

// A colour of its own for every source position; the alpha byte differs too, so a copy
// that drops it shows.
Pixel SourceColour(int x, int y) {
    return Pixel{static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y), 100,
                 static_cast<std::uint8_t>(x + y + 1)};
}

const Pixel kBackground{200, 200, 200, 200};

Pixel Background(int, int) {
    return kBackground;
}

TEST(CopyPixel, CopiesAllFourBytesBetweenClampedPositions) {
    BitmapImage source;
    Paint(source, 4, 3, SourceColour);
    struct Case {
        int sourceX, sourceY, targetX, targetY;  // as passed
        int readX, readY, writtenX, writtenY;    // after clamping
    } cases[] = {
        {2, 1, 1, 1, 2, 1, 1, 1},
        {-5, 2, 0, 0, 0, 2, 0, 0},
        {1, 1, 0, 5, 1, 1, 0, 4},  // a target row equal to the height is the last row
        {INT32_MAX, INT32_MIN, INT32_MIN, INT32_MAX, 3, 0, 0, 4},
    };
    for (const Case& c : cases) {
        BitmapImage target;
        Paint(target, 3, 5, Background);
        CopyPixel(source, c.sourceX, c.sourceY, target, c.targetX, c.targetY);
        for (int y = 0; y < 5; ++y) {
            for (int x = 0; x < 3; ++x) {
                const bool written = x == c.writtenX && y == c.writtenY;
                EXPECT_EQ(target.PixelAt(x, y),
                          written ? SourceColour(c.readX, c.readY) : kBackground)
                    << "case " << c.sourceX << "," << c.sourceY << " at " << x << "," << y;
            }
        }
    }
}

TEST(PixelCopies, LeaveDepthPaletteAndResolutionOfBothImages) {
    BitmapImage source;
    Paint(source, 2, 2, SourceColour);
    BitmapImage target;
    ASSERT_TRUE(target.ChangeDepth(8));
    ASSERT_TRUE(target.SetPaletteEntry(3, Pixel{1, 2, 3, 4}));
    target.SetPelsPerMeter(0, 0);
    Paint(target, 2, 2, Background);
    CopyPixel(source, 1, 1, target, 0, 0);
    CopyRegion(source, 0, 1, 0, 1, target, 0, 0);
    EXPECT_EQ(target.Depth(), 8);
    EXPECT_EQ(target.PaletteEntry(3), (Pixel{1, 2, 3, 4}));
    EXPECT_EQ(target.XPelsPerMeter(), 0);
    EXPECT_EQ(source.XPelsPerMeter(), 0);
    EXPECT_EQ(target.PixelAt(1, 1), SourceColour(1, 1));
}

TEST(CopyPixelUnlessKey, ComparesRedGreenAndBlueOnly) {
    const Pixel sourcePixel{10, 20, 30, 40};
    struct Case {
        Pixel key;
        bool copied;
    } cases[] = {
        {{10, 20, 30, 40}, false}, {{10, 20, 30, 99}, false},  // alpha plays no part
        {{11, 20, 30, 40}, true},                              // blue alone differs
        {{10, 21, 30, 40}, true},  {{10, 20, 31, 40}, true},
    };
    for (const Case& c : cases) {
        BitmapImage source;
        source.PixelAt(0, 0) = sourcePixel;
        BitmapImage target;
        target.PixelAt(0, 0) = kBackground;
        CopyPixelUnlessKey(source, 0, 0, target, 0, 0, c.key);
        EXPECT_EQ(target.PixelAt(0, 0), c.copied ? sourcePixel : kBackground)
            << int{c.key.red} << "," << int{c.key.green} << "," << int{c.key.blue};
    }
}

// Region copies from a 12 x 9 source into a 10 x 7 target. Each case names the source
// rectangle that should arrive and where its first pixel should land; everything else
// keeps the background.
struct RegionCase {
    const char* name;
    std::int32_t left, right, rowA, rowB, targetX, targetY;
    int fromX, toX, fromY, toY;  // source rectangle that arrives, inclusive; empty if to < from
    int atX, atY;                // target position of its first pixel
};

const RegionCase kRegionCases[] = {
    {"inside", 1, 3, 1, 2, 4, 3, 1, 3, 1, 2, 4, 3},
    {"rows in either order", 1, 3, 2, 1, 4, 3, 1, 3, 1, 2, 4, 3},
    {"one pixel", 5, 5, 4, 4, 0, 0, 5, 5, 4, 4, 0, 0},
    {"right before left", 3, 1, 0, 2, 0, 0, 0, -1, 0, -1, 0, 0},
    {"past the source's last column", 9, 40, 0, 1, 0, 0, 9, 11, 0, 1, 0, 0},
    {"before the source's first column", -3, 2, 0, 0, 5, 5, 0, 2, 0, 0, 5, 5},
    {"past the source's last row", 0, 0, 6, 20, 1, 1, 0, 0, 6, 8, 1, 1},
    {"before the source's first row", 0, 0, -4, 1, 1, 1, 0, 0, 0, 1, 1, 1},
    {"left beyond the source", 12, 13, 0, 1, 0, 0, 0, -1, 0, -1, 0, 0},
    {"rows beyond the source", 0, 1, 9, 10, 0, 0, 0, -1, 0, -1, 0, 0},
    {"cut at the target's right edge", 3, 11, 0, 0, 5, 0, 3, 7, 0, 0, 5, 0},
    {"cut at the target's bottom edge", 0, 0, 2, 8, 0, 3, 0, 0, 2, 5, 0, 3},
    {"target cut after the left clip", -5, 11, 0, 0, 3, 0, 0, 6, 0, 0, 3, 0},
    // Positions before column 0 clamp onto it and are overwritten by later columns, so
    // each target column ends with the source column that maps onto it exactly.
    {"negative target column", 0, 11, 0, 0, -2, 0, 2, 11, 0, 0, 0, 0},
    {"negative target row", 0, 0, 0, 8, 0, -3, 0, 0, 3, 8, 0, 0},
    {"everything", INT32_MIN, INT32_MAX, INT32_MAX, INT32_MIN, 0, 0, 0, 9, 0, 6, 0, 0},
    {"far right", 0, 11, 0, 8, INT32_MAX, 0, 0, -1, 0, -1, 0, 0},
    {"far below", 0, 11, 0, 8, 0, INT32_MAX, 0, -1, 0, -1, 0, 0},
    {"far left and above", 0, 11, 0, 8, INT32_MIN, INT32_MIN, 11, 11, 8, 8, 0, 0},
    {"left at the largest column", INT32_MAX, INT32_MAX, 0, 0, 0, 0, 0, -1, 0, -1, 0, 0},
    {"right at the smallest column", 0, INT32_MIN, 0, 0, 0, 0, 0, -1, 0, -1, 0, 0},
};

std::vector<Pixel> ExpectedTarget(const RegionCase& c) {
    std::vector<Pixel> pixels;
    for (int y = 0; y < 7; ++y) {
        for (int x = 0; x < 10; ++x) {
            const int sx = c.fromX + x - c.atX;
            const int sy = c.fromY + y - c.atY;
            const bool arrives = sx >= c.fromX && sx <= c.toX && sy >= c.fromY && sy <= c.toY;
            pixels.push_back(arrives ? SourceColour(sx, sy) : kBackground);
        }
    }
    return pixels;
}

TEST(CopyRegion, ClipsToTheSourceAndTheTargetsFarEdges) {
    BitmapImage source;
    Paint(source, 12, 9, SourceColour);
    for (const RegionCase& c : kRegionCases) {
        BitmapImage target;
        Paint(target, 10, 7, Background);
        CopyRegion(source, c.left, c.right, c.rowA, c.rowB, target, c.targetX, c.targetY);
        EXPECT_EQ(Pixels(target), ExpectedTarget(c)) << c.name;
    }
}

TEST(CopyRegionUnlessKey, ClipsLikeCopyRegionWhenNoPixelHasTheKey) {
    BitmapImage source;
    Paint(source, 12, 9, SourceColour);
    const Pixel unused{0, 0, 0, 0};
    for (const RegionCase& c : kRegionCases) {
        BitmapImage target;
        Paint(target, 10, 7, Background);
        CopyRegionUnlessKey(source, c.left, c.right, c.rowA, c.rowB, target, c.targetX, c.targetY,
                            unused);
        EXPECT_EQ(Pixels(target), ExpectedTarget(c)) << c.name;
    }
}

TEST(CopyRegionUnlessKey, LeavesTheTargetWhereTheSourceHasTheKey) {
    BitmapImage source;
    Paint(source, 3, 2, SourceColour);
    const Pixel key{1, 0, 100, 0};  // SourceColour(1, 0) but for alpha
    source.PixelAt(2, 1) = Pixel{1, 0, 100, 77};
    BitmapImage target;
    Paint(target, 3, 2, Background);
    CopyRegionUnlessKey(source, 0, 2, 0, 1, target, 0, 0, key);
    EXPECT_EQ(Pixels(target),
              (std::vector<Pixel>{SourceColour(0, 0), kBackground, SourceColour(2, 0),
                                  SourceColour(0, 1), SourceColour(1, 1), kBackground}));
}

// With the region placed two columns left of the target, source columns 0, 1 and 2 all
// land on target column 0 in that order; a key-coloured column leaves the last earlier
// one there.
TEST(CopyRegionUnlessKey, ClampedColumnKeepsTheLastPixelWritten) {
    const Pixel key{50, 50, 50, 0};
    struct Case {
        std::vector<int> keyColumns;
        Pixel columnZero;
    } cases[] = {
        {{}, SourceColour(2, 0)},
        {{2}, SourceColour(1, 0)},
        {{1, 2}, SourceColour(0, 0)},
        {{0, 1, 2}, kBackground},
    };
    for (const Case& c : cases) {
        BitmapImage source;
        Paint(source, 4, 1, SourceColour);
        for (int x : c.keyColumns) {
            source.PixelAt(x, 0) = key;
        }
        BitmapImage target;
        Paint(target, 3, 1, Background);
        CopyRegionUnlessKey(source, 0, 3, 0, 0, target, -2, 0, key);
        EXPECT_EQ(target.PixelAt(0, 0), c.columnZero) << c.keyColumns.size() << " keyed";
        EXPECT_EQ(target.PixelAt(1, 0), SourceColour(3, 0));
        EXPECT_EQ(target.PixelAt(2, 0), kBackground);
    }
}

// Within one image every pixel is read when it is copied: a copy onto a rectangle one
// column to the right smears the first column along, one to the left shifts the row.
TEST(CopyRegion, OverlappingCopyReadsWhatItHasWritten) {
    const Pixel unused{0, 0, 0, 0};
    for (bool keyed : {false, true}) {
        const auto copyRow = [&](BitmapImage& image, std::int32_t left, std::int32_t right,
                                 std::int32_t toX) {
            Paint(image, 12, 2, SourceColour);
            if (keyed) {
                CopyRegionUnlessKey(image, left, right, 0, 0, image, toX, 0, unused);
            } else {
                CopyRegion(image, left, right, 0, 0, image, toX, 0);
            }
        };
        BitmapImage right;
        copyRow(right, 0, 9, 1);
        BitmapImage left;
        copyRow(left, 1, 11, 0);
        for (int x = 0; x < 12; ++x) {
            EXPECT_EQ(right.PixelAt(x, 0), SourceColour(x <= 10 ? 0 : 11, 0))
                << x << (keyed ? " keyed" : "");
            EXPECT_EQ(left.PixelAt(x, 0), SourceColour(x <= 10 ? x + 1 : 11, 0))
                << x << (keyed ? " keyed" : "");
            EXPECT_EQ(right.PixelAt(x, 1), SourceColour(x, 1));
        }
    }
}

// Rows outer, columns inner: moving a block one row down and one column left, the second
// row reads the pixel that the first row has just written.
TEST(CopyRegion, OverlappingCopyRunsRowsOuterColumnsInner) {
    for (bool keyed : {false, true}) {
        BitmapImage image;
        Paint(image, 3, 3, SourceColour);
        if (keyed) {
            CopyRegionUnlessKey(image, 1, 2, 0, 1, image, 0, 1, Pixel{0, 0, 0, 0});
        } else {
            CopyRegion(image, 1, 2, 0, 1, image, 0, 1);
        }
        const Pixel s00 = SourceColour(0, 0), s10 = SourceColour(1, 0), s20 = SourceColour(2, 0),
                    s21 = SourceColour(2, 1), s22 = SourceColour(2, 2);
        EXPECT_EQ(Pixels(image), (std::vector<Pixel>{s00, s10, s20,  //
                                                     s10, s20, s21,  //
                                                     s20, s21, s22}))
            << (keyed ? "keyed" : "");
    }
}

}  // namespace
}  // namespace zoro
