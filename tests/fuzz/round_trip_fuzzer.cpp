// Saves an image made from the input at any depth and loads it again. Input: the depth
// (one byte), width and height (one byte each), for indexed depths whether to replace the
// colour table and with what, then pixel bytes, repeated as needed. The loaded image must
// have the size and depth, and each pixel what the depth keeps of it.
#include <cstdint>

#include "bmp/header_probes.h"
#include "fuzz/fuzz_support.h"
#include "image/bitmap_image.h"

using zoro::BitmapImage;
using zoro::Pixel;

namespace {

// What a 16-bit file keeps of a channel: its top five bits.
std::uint8_t FiveBits(std::uint8_t level) {
    return static_cast<std::uint8_t>(level / 8 * 8);
}

Pixel Expected(const BitmapImage& image, const Pixel& stored) {
    switch (image.Depth()) {
        case 32:
            return stored;
        case 24:
            return Pixel{stored.blue, stored.green, stored.red, 0};
        case 16:
            return Pixel{FiveBits(stored.blue), FiveBits(stored.green), FiveBits(stored.red), 0};
        default:
            return image.PaletteEntry(image.NearestPaletteIndex(stored));
    }
}

// Cycles through the bytes it is given; yields 0 when given none.
class ByteCycle {
  public:
    ByteCycle(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    std::uint8_t Next() { return size_ == 0 ? 0 : data_[next_++ % size_]; }

  private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t next_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const zoro::fuzz::ScratchFile file("round-trip.bmp");
    static const std::int32_t kDepths[] = {1, 4, 8, 16, 24, 32};

    zoro::fuzz::Parameters parameters(data, size);
    const std::int32_t depth = kDepths[parameters.Take(1) % 6];
    const auto width = static_cast<std::int32_t>(parameters.Take(1) % 70) + 1;
    const auto height = static_cast<std::int32_t>(parameters.Take(1) % 20) + 1;
    const std::uint32_t tableChoice = parameters.Take(1);
    ByteCycle bytes(parameters.Rest(), parameters.RestSize());

    BitmapImage image;
    ZORO_FUZZ_CHECK(image.ChangeDepth(depth));
    ZORO_FUZZ_CHECK(image.Resize(width, height));
    image.SetPelsPerMeter(static_cast<std::int32_t>(tableChoice) - 128, 0);
    if (depth <= 8 && tableChoice % 2 == 1) {
        for (std::int32_t j = 0; j < image.PaletteSize(); ++j) {
            image.SetPaletteEntry(j, Pixel{bytes.Next(), bytes.Next(), bytes.Next(), bytes.Next()});
        }
    }
    for (std::int32_t y = 0; y < height; ++y) {
        for (std::int32_t x = 0; x < width; ++x) {
            image.StorePixel(x, y, Pixel{bytes.Next(), bytes.Next(), bytes.Next(), bytes.Next()});
        }
    }

    ZORO_FUZZ_CHECK(image.SaveToFile(file.Path()));
    const zoro::FileHeader header = zoro::ReadFileHeader(file.Path());
    ZORO_FUZZ_CHECK(header.bfType == 0x4D42);
    ZORO_FUZZ_CHECK(zoro::FileColorDepth(file.Path()) == depth);

    BitmapImage again;
    ZORO_FUZZ_CHECK(again.LoadFromFile(file.Path()));
    ZORO_FUZZ_CHECK(again.Depth() == depth && again.Width() == width && again.Height() == height);
    ZORO_FUZZ_CHECK(again.XPelsPerMeter() ==
                    (image.XPelsPerMeter() == 0 ? 3780 : image.XPelsPerMeter()));
    ZORO_FUZZ_CHECK(again.YPelsPerMeter() == 3780);
    for (std::int32_t j = 0; depth <= 8 && j < image.PaletteSize(); ++j) {
        ZORO_FUZZ_CHECK(again.PaletteEntry(j) == image.PaletteEntry(j));
    }
    for (std::int32_t y = 0; y < height; ++y) {
        for (std::int32_t x = 0; x < width; ++x) {
            ZORO_FUZZ_CHECK(again.PixelValue(x, y) == Expected(image, image.PixelValue(x, y)));
        }
    }
    return 0;
}
