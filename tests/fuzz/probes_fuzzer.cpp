// Probes the headers of any bytes. Every field the file reaches holds the file's bytes,
// every byte beyond the end keeps the record's default, and the colour depth is the
// info header's bit count.
#include <array>
#include <cstdint>
#include <cstring>

#include "bmp/header_probes.h"
#include "fuzz/fuzz_support.h"

namespace {

// Checks that a field of `width` bytes at file offset `offset` holds the file's bytes where
// the file has them and `fallback`'s bytes elsewhere.
void CheckField(const std::uint8_t* data, std::size_t size, std::size_t offset, int width,
                std::uint32_t value, std::uint32_t fallback) {
    for (int i = 0; i < width; ++i) {
        const std::size_t at = offset + static_cast<std::size_t>(i);
        const std::uint32_t expected = at < size ? data[at] : (fallback >> (8 * i)) & 0xFF;
        ZORO_FUZZ_CHECK(((value >> (8 * i)) & 0xFF) == expected);
    }
}

// The info header's fields in file order, as unsigned values.
std::array<std::uint32_t, 11> Fields(const zoro::InfoHeader& h) {
    return {h.biSize,
            static_cast<std::uint32_t>(h.biWidth),
            static_cast<std::uint32_t>(h.biHeight),
            h.biPlanes,
            h.biBitCount,
            h.biCompression,
            h.biSizeImage,
            static_cast<std::uint32_t>(h.biXPelsPerMeter),
            static_cast<std::uint32_t>(h.biYPelsPerMeter),
            h.biClrUsed,
            h.biClrImportant};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const zoro::fuzz::ScratchFile file("probe.bmp");
    file.Write(data, size);

    const zoro::FileHeader fileHeader = zoro::ReadFileHeader(file.Path());
    const zoro::FileHeader fileDefault;
    CheckField(data, size, 0, 2, fileHeader.bfType, fileDefault.bfType);
    CheckField(data, size, 2, 4, fileHeader.bfSize, fileDefault.bfSize);
    CheckField(data, size, 6, 2, fileHeader.bfReserved1, fileDefault.bfReserved1);
    CheckField(data, size, 8, 2, fileHeader.bfReserved2, fileDefault.bfReserved2);
    CheckField(data, size, 10, 4, fileHeader.bfOffBits, fileDefault.bfOffBits);

    const zoro::InfoHeader info = zoro::ReadInfoHeader(file.Path());
    const std::array<std::uint32_t, 11> fields = Fields(info);
    const std::array<std::uint32_t, 11> defaults = Fields(zoro::InfoHeader());
    const int widths[11] = {4, 4, 4, 2, 2, 4, 4, 4, 4, 4, 4};
    std::size_t offset = 14;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        CheckField(data, size, offset, widths[i], fields[i], defaults[i]);
        offset += static_cast<std::size_t>(widths[i]);
    }

    ZORO_FUZZ_CHECK(zoro::FileColorDepth(file.Path()) == info.biBitCount);
    return 0;
}
