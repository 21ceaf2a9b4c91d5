#pragma once

#include <cstdint>

namespace zoro {

// One colour: the byte layout of a BMP colour-table entry.
struct Pixel {
    std::uint8_t blue = 0;
    std::uint8_t green = 0;
    std::uint8_t red = 0;
    std::uint8_t alpha = 0;
};

static_assert(sizeof(Pixel) == 4, "a Pixel is the four bytes of a colour-table entry");

constexpr Pixel kWhite{255, 255, 255, 0};

inline bool operator==(const Pixel& a, const Pixel& b) {
    return a.blue == b.blue && a.green == b.green && a.red == b.red && a.alpha == b.alpha;
}
inline bool operator!=(const Pixel& a, const Pixel& b) {
    return !(a == b);
}

}  // namespace zoro
