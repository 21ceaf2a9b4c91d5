// The palette index a colour is stored as: always exactly the index the plain scan of
// NearestPaletteIndex gives (the lowest index at the least distance), found quickly.
#pragma once

#include <cstdint>

#include "image/bitmap_image.h"

namespace zoro {

// Answers for the palette the image has when this is made. The colour cube is cut into
// cells, and a cell keeps only the entries that can be nearest to some colour inside it,
// so a look-up measures a handful of entries instead of all of them. A cell is worked out
// the first time a colour falls into it, so a small image pays only for the cells it uses.
class NearestColourFinder {
  public:
    explicit NearestColourFinder(const BitmapImage& image) noexcept;
    ~NearestColourFinder();
    NearestColourFinder(const NearestColourFinder&) = delete;
    NearestColourFinder& operator=(const NearestColourFinder&) = delete;

    std::uint8_t Find(const Pixel& colour) {
        const std::uint32_t key = Key(colour);
        if (key != lastKey_) {
            lastKey_ = key;
            lastIndex_ = Search(colour);
        }
        return lastIndex_;
    }

  private:
    struct Entry {
        std::int32_t red, green, blue, index;
    };
    struct Cell {
        std::uint32_t first;  // candidates, in index order, or kWholePalette
        std::uint32_t count;  // kNotBuilt until the cell is worked out
    };
    static constexpr int kCellBits = 4;  // a cell is 16 x 16 x 16 colours
    static constexpr int kCellsPerSide = 256 >> kCellBits;
    static constexpr std::uint32_t kCells = kCellsPerSide * kCellsPerSide * kCellsPerSide;
    static constexpr std::uint32_t kNotBuilt = 0xFFFFFFFFu;
    static constexpr std::uint32_t kWholePalette = 0xFFFFFFFFu;

    static std::uint32_t Key(const Pixel& colour) {
        return (std::uint32_t{colour.red} << 16) | (std::uint32_t{colour.green} << 8) | colour.blue;
    }
    std::uint8_t Search(const Pixel& colour);
    void BuildCell(Cell& cell, std::uint32_t number);
    bool Reserve(std::uint32_t more);

    Entry palette_[256];
    std::uint32_t paletteCount_ = 0;
    // Both come from the platform's allocation; without them a search scans the palette.
    Cell* cells_ = nullptr;
    Entry* candidates_ = nullptr;
    std::uint32_t candidatesUsed_ = 0;
    std::uint32_t candidatesHeld_ = 0;
    std::uint32_t lastKey_ = 0xFFFFFFFFu;  // no colour has this key
    std::uint8_t lastIndex_ = 0;
};

// The nearest indices of a row of pixels, packed `bits` (1, 4 or 8) to a pixel with the
// first in the most significant bits; the bits after the last pixel are 0. Each byte is
// the low 8 bits of the indices times their weights, as the indices of a palette larger
// than the depth would need.
void PackNearestIndices(const Pixel* row, std::int32_t width, std::int32_t bits,
                        NearestColourFinder& finder, std::uint8_t* bytes);

}  // namespace zoro
