#include "bmp/nearest_colour.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "export/platform.h"

namespace zoro {

namespace {

// Squared distance from `value` to the nearest and to the farthest of lo .. hi.
std::int32_t NearSquare(std::int32_t value, std::int32_t lo, std::int32_t hi) {
    const std::int32_t gap = value < lo ? lo - value : value > hi ? value - hi : 0;
    return gap * gap;
}
std::int32_t FarSquare(std::int32_t value, std::int32_t lo, std::int32_t hi) {
    const std::int32_t gap = std::max(value - lo, hi - value);
    return gap * gap;
}

}  // namespace

NearestColourFinder::NearestColourFinder(const BitmapImage& image) noexcept {
    // Without a colour table every entry reads as the same white, and of equal entries
    // the scan keeps the first.
    const std::int32_t depth = image.Depth();
    const std::int32_t count = IsIndexedDepth(depth) ? image.PaletteSize() : 1;
    for (std::int32_t i = 0; i < count; ++i) {
        const Pixel e = image.PaletteEntry(i);
        palette_[i] = Entry{e.red, e.green, e.blue, i};
    }
    paletteCount_ = static_cast<std::uint32_t>(count);
    // A palette of a few entries is scanned faster than a cell is found.
    if (paletteCount_ <= 4) {
        return;
    }
    cells_ = static_cast<Cell*>(AllocateArray(kCells * sizeof(Cell)));
    for (std::uint32_t i = 0; cells_ != nullptr && i < kCells; ++i) {
        cells_[i] = Cell{0, kNotBuilt};
    }
}

NearestColourFinder::~NearestColourFinder() {
    ReleaseArray(candidates_);
    ReleaseArray(cells_);
}

bool NearestColourFinder::Reserve(std::uint32_t more) {
    if (candidatesHeld_ - candidatesUsed_ >= more) {
        return true;
    }
    const std::uint32_t held = std::max(2 * candidatesHeld_, candidatesUsed_ + more);
    auto* grown = static_cast<Entry*>(AllocateArray(std::size_t{held} * sizeof(Entry)));
    if (grown == nullptr) {
        return false;
    }
    if (candidatesUsed_ > 0) {
        std::memcpy(grown, candidates_, std::size_t{candidatesUsed_} * sizeof(Entry));
    }
    ReleaseArray(candidates_);
    candidates_ = grown;
    candidatesHeld_ = held;
    return true;
}

void NearestColourFinder::BuildCell(Cell& cell, std::uint32_t number) {
    constexpr std::int32_t side = 1 << kCellBits;
    const auto red = static_cast<std::int32_t>(number / (kCellsPerSide * kCellsPerSide)) * side;
    const auto green = static_cast<std::int32_t>(number / kCellsPerSide % kCellsPerSide) * side;
    const auto blue = static_cast<std::int32_t>(number % kCellsPerSide) * side;
    // Every colour of the cell lies within `bound` of some entry, so an entry farther than
    // that from all of the cell is never the nearest there, nor tied for it.
    std::int32_t bound = INT32_MAX;
    for (std::uint32_t i = 0; i < paletteCount_; ++i) {
        const Entry& e = palette_[i];
        bound = std::min(bound, FarSquare(e.red, red, red + side - 1) +
                                    FarSquare(e.green, green, green + side - 1) +
                                    FarSquare(e.blue, blue, blue + side - 1));
    }
    if (!Reserve(paletteCount_)) {
        cell = Cell{kWholePalette, paletteCount_};
        return;
    }
    cell.first = candidatesUsed_;
    for (std::uint32_t i = 0; i < paletteCount_; ++i) {
        const Entry& e = palette_[i];
        if (NearSquare(e.red, red, red + side - 1) + NearSquare(e.green, green, green + side - 1) +
                NearSquare(e.blue, blue, blue + side - 1) <=
            bound) {
            candidates_[candidatesUsed_++] = e;
        }
    }
    cell.count = candidatesUsed_ - cell.first;
}

std::uint8_t NearestColourFinder::Search(const Pixel& colour) {
    const Entry* e = palette_;
    std::uint32_t count = paletteCount_;
    if (cells_ != nullptr) {
        const std::uint32_t number = ((std::uint32_t{colour.red} >> kCellBits) * kCellsPerSide +
                                      (std::uint32_t{colour.green} >> kCellBits)) *
                                         kCellsPerSide +
                                     (std::uint32_t{colour.blue} >> kCellBits);
        Cell& cell = cells_[number];
        if (cell.count == kNotBuilt) {
            BuildCell(cell, number);
        }
        e = cell.first == kWholePalette ? palette_ : candidates_ + cell.first;
        count = cell.count;
    }
    // The scan keeps the first entry at the least distance: the least (distance, index)
    // pair. Distances stay below 2^18, so the pair fits one integer.
    std::int32_t least = INT32_MAX;
    for (std::uint32_t i = 0; i < count; ++i, ++e) {
        const std::int32_t dr = e->red - colour.red;
        const std::int32_t dg = e->green - colour.green;
        const std::int32_t db = e->blue - colour.blue;
        least = std::min(least, ((dr * dr + dg * dg + db * db) << 8) | e->index);
    }
    return static_cast<std::uint8_t>(least & 0xFF);
}

void PackNearestIndices(const Pixel* row, std::int32_t width, std::int32_t bits,
                        NearestColourFinder& finder, std::uint8_t* bytes) {
    if (bits == 8) {
        for (std::int32_t x = 0; x < width; ++x) {
            bytes[x] = finder.Find(row[x]);
        }
        return;
    }
    const std::int32_t perByte = 8 / bits;
    std::int32_t x = 0;
    while (x < width) {
        unsigned sum = 0;
        for (std::int32_t k = 0; k < perByte && x < width; ++k, ++x) {
            sum += static_cast<unsigned>(finder.Find(row[x])) << (8 - bits * (k + 1));
        }
        *bytes++ = static_cast<std::uint8_t>(sum);
    }
}

}  // namespace zoro
