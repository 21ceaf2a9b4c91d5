// The 24-bit layouts, the ones a crop spends its time in: on x86 processors that have
// SSSE3 four pixels move with one byte shuffle, elsewhere with word-wide moves.
#include "bmp/row_packing.h"

#if (defined(__x86_64__) || defined(__i386__)) && defined(__GNUC__)
#include <cpuid.h>
#include <immintrin.h>
#define ZORO_BYTE_SHUFFLE 1
#endif

namespace zoro {

namespace {

void UnpackBgrTail(const std::uint8_t* bytes, std::int32_t x, std::int32_t width, Pixel* row,
                   std::uint8_t alpha) {
    for (; x < width; ++x) {
        const std::uint8_t* pixel = bytes + 3 * static_cast<std::size_t>(x);
        row[x] = Pixel{pixel[0], pixel[1], pixel[2], alpha};
    }
}

void PackBgrTail(const Pixel* row, std::int32_t x, std::int32_t width, std::uint8_t* bytes) {
    for (; x < width; ++x) {
        std::uint8_t* pixel = bytes + 3 * static_cast<std::size_t>(x);
        pixel[0] = row[x].blue;
        pixel[1] = row[x].green;
        pixel[2] = row[x].red;
    }
}

#ifdef ZORO_BYTE_SHUFFLE

bool HasByteShuffle() {
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    return __get_cpuid(1, &eax, &ebx, &ecx, &edx) != 0 && (ecx & bit_SSSE3) != 0;
}

// Each step loads 16 bytes and stores 16, of which the last 4 are rewritten by the next
// step; stopping 6 pixels before the end keeps both inside the row's pixel bytes.
__attribute__((target("ssse3"))) std::int32_t UnpackBgrShuffled(const std::uint8_t* bytes,
                                                                std::int32_t width, Pixel* row,
                                                                std::uint8_t alpha) {
    const __m128i spread = _mm_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
    const __m128i alphas = _mm_set1_epi32(static_cast<int>(std::uint32_t{alpha} << 24));
    std::int32_t x = 0;
    for (; x + 6 <= width; x += 4) {
        const __m128i stored = _mm_loadu_si128(
            reinterpret_cast<const __m128i*>(bytes + 3 * static_cast<std::size_t>(x)));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(row + x),
                         _mm_or_si128(_mm_shuffle_epi8(stored, spread), alphas));
    }
    return x;
}

__attribute__((target("ssse3"))) std::int32_t PackBgrShuffled(const Pixel* row, std::int32_t width,
                                                              std::uint8_t* bytes) {
    const __m128i gather = _mm_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
    std::int32_t x = 0;
    for (; x + 6 <= width; x += 4) {
        const __m128i pixels = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + x));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(bytes + 3 * static_cast<std::size_t>(x)),
                         _mm_shuffle_epi8(pixels, gather));
    }
    return x;
}

#endif

// Portable: one pixel as a 4-byte word whose top byte is replaced.
std::int32_t UnpackBgrWords(const std::uint8_t* bytes, std::int32_t width, Pixel* row,
                            std::uint8_t alpha) {
    const std::uint32_t high = std::uint32_t{alpha} << 24;
    std::int32_t x = 0;
    for (; x + 1 < width; ++x) {
        std::uint32_t value;
        std::memcpy(&value, bytes + 3 * static_cast<std::size_t>(x), 4);
        value = (value & 0x00FFFFFFu) | high;
        std::memcpy(static_cast<void*>(row + x), &value, 4);
    }
    return x;
}

// Portable: two pixels as one 8-byte store, of which the last 2 bytes are rewritten by the
// next step.
std::int32_t PackBgrWords(const Pixel* row, std::int32_t width, std::uint8_t* bytes) {
    std::int32_t x = 0;
    for (; x + 3 <= width; x += 2) {
        std::uint64_t pair;
        std::memcpy(&pair, row + x, 8);
        const std::uint64_t packed = (pair & 0xFFFFFFu) | ((pair >> 8) & 0xFFFFFF000000u);
        std::memcpy(bytes + 3 * static_cast<std::size_t>(x), &packed, 8);
    }
    return x;
}

}  // namespace

void UnpackBgrWithAlpha(const std::uint8_t* bytes, std::int32_t width, Pixel* row,
                        std::uint8_t alpha) {
#ifdef ZORO_BYTE_SHUFFLE
    static const bool shuffle = HasByteShuffle();
    const std::int32_t done = shuffle ? UnpackBgrShuffled(bytes, width, row, alpha)
                                      : UnpackBgrWords(bytes, width, row, alpha);
#else
    const std::int32_t done = UnpackBgrWords(bytes, width, row, alpha);
#endif
    UnpackBgrTail(bytes, done, width, row, alpha);
}

void PackBgr(const Pixel* row, std::int32_t width, std::uint8_t* bytes) {
#ifdef ZORO_BYTE_SHUFFLE
    static const bool shuffle = HasByteShuffle();
    const std::int32_t done =
        shuffle ? PackBgrShuffled(row, width, bytes) : PackBgrWords(row, width, bytes);
#else
    const std::int32_t done = PackBgrWords(row, width, bytes);
#endif
    PackBgrTail(row, done, width, bytes);
}

}  // namespace zoro
