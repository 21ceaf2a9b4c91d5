#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "bmp/nearest_colour.h"
#include "image/bitmap_image.h"

namespace zoro {
namespace {

// Levels on both sides of each cell edge and in the middle of each cell: a search that
// left out an entry it should not would show at the corners of a cell first.
std::vector<int> Levels() {
    std::vector<int> levels;
    for (int level = 0; level < 256; ++level) {
        if (level % 16 == 0 || level % 16 == 7 || level % 16 == 15) {
            levels.push_back(level);
        }
    }
    return levels;
}

// A fixed sequence of numbers, so that every run checks the same palettes.
std::uint32_t Next(std::uint32_t& state) {
    state = state * 1664525u + 1013904223u;
    return state >> 8;
}

struct PaletteCase {
    const char* name;
    std::int32_t depth;
    int levels;       // 0: the standard table; else entries take only this many levels
    bool duplicates;  // copy earlier entries into later ones
};

TEST(NearestColour, TheFinderGivesTheIndexOfThePlainScan) {
    const PaletteCase cases[] = {
        {"standard 1 bit", 1, 0, false},    {"standard 4 bits", 4, 0, false},
        {"standard 8 bits", 8, 0, false},   {"random 4 bits", 4, 256, false},
        {"random 8 bits", 8, 256, false},   {"few levels, many ties", 8, 3, false},
        {"repeated entries", 8, 256, true}, {"one colour everywhere", 8, 1, false},
    };
    const std::vector<int> levels = Levels();
    std::uint32_t state = 12345;
    for (const PaletteCase& c : cases) {
        SCOPED_TRACE(c.name);
        BitmapImage image;
        ASSERT_TRUE(image.ChangeDepth(c.depth));
        for (std::int32_t i = 0; c.levels > 0 && i < image.PaletteSize(); ++i) {
            auto level = [&] {
                const int step = c.levels > 1 ? 255 / (c.levels - 1) : 0;
                return static_cast<std::uint8_t>(
                    static_cast<int>(Next(state) % static_cast<std::uint32_t>(c.levels)) * step);
            };
            Pixel entry{level(), level(), level(), static_cast<std::uint8_t>(i)};
            if (c.duplicates && i > 0 && Next(state) % 3 == 0) {
                entry = image.PaletteEntry(
                    static_cast<std::int32_t>(Next(state) % static_cast<std::uint32_t>(i)));
            }
            image.SetPaletteEntry(i, entry);
        }
        NearestColourFinder finder(image);
        int wrong = 0;
        for (int red : levels) {
            for (int green : levels) {
                for (int blue : levels) {
                    const Pixel colour{static_cast<std::uint8_t>(blue),
                                       static_cast<std::uint8_t>(green),
                                       static_cast<std::uint8_t>(red), 0};
                    if (finder.Find(colour) != image.NearestPaletteIndex(colour) && ++wrong < 5) {
                        ADD_FAILURE() << "colour " << red << "," << green << "," << blue;
                    }
                }
            }
        }
        EXPECT_EQ(wrong, 0);
    }
}

TEST(NearestColour, AnImageWithoutAColourTableStoresIndexZero) {
    BitmapImage image;  // 24 bits: every entry reads as white
    NearestColourFinder finder(image);
    EXPECT_EQ(finder.Find(Pixel{0, 0, 0, 0}), 0);
    EXPECT_EQ(finder.Find(kWhite), 0);
}

}  // namespace
}  // namespace zoro
