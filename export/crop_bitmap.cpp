#include "export/crop_bitmap.h"

#include <algorithm>
#include <cstring>

#include "export/platform.h"
#include "image/bitmap_image.h"

namespace zoro {

namespace {

// A wide path converted to the platform's narrow encoding. The buffer is sized for the
// encoding's worst case, so every path that can be represented arrives whole. A null path,
// or one whose buffer cannot be had, stays absent and so names no file.
class NarrowPath {
  public:
    explicit NarrowPath(const char16_t* wide) noexcept {
        if (wide == nullptr) {
            return;
        }
        const std::size_t bytes = NarrowBytesNeeded(wide, WideStringLength(wide)) + 1;
        text_ = static_cast<char*>(AllocateArray(bytes));
        if (text_ != nullptr) {
            text_[0] = '\0';
            WideToNarrow(wide, text_, bytes);
        }
    }
    ~NarrowPath() { ReleaseArray(text_); }
    NarrowPath(const NarrowPath&) = delete;
    NarrowPath& operator=(const NarrowPath&) = delete;

    const char* Text() const { return text_; }

  private:
    char* text_ = nullptr;
};

// `origin` + `offset` without overflow, clamped onto 0 .. `size` - 1.
std::int32_t ClampedSum(std::int32_t origin, std::int32_t offset, std::int32_t size) {
    const std::int64_t position = std::int64_t{origin} + offset;
    if (position >= size) {
        return size - 1;
    }
    return position < 0 ? 0 : static_cast<std::int32_t>(position);
}

// Output row y from source row `sourceY`, starting at source column `left`: red, green
// and blue of each pixel, while the output keeps its alpha. The row falls into a part left
// of the source, which repeats its first column, a part inside it, and a part right of it,
// which repeats its last column. Inside, the accessor names neighbouring pixels of one
// row, which lie side by side in memory, so that part is copied from the pixels it names
// at its start, as whole words that the compiler can move many at a time.
void CopyRow(BitmapImage& source, BitmapImage& output, std::int32_t left, std::int32_t sourceY,
             std::int32_t y) {
    const std::int64_t width = output.Width();
    const std::int64_t inside = std::clamp<std::int64_t>(-std::int64_t{left}, 0, width);
    const std::int64_t beyond =
        std::clamp<std::int64_t>(std::int64_t{source.Width()} - left, inside, width);
    auto copy = [&](std::int32_t x, const Pixel& from) {
        Pixel& to = output.PixelAt(x, y);
        to = Pixel{from.blue, from.green, from.red, to.alpha};
    };
    const Pixel first = source.PixelAt(0, sourceY);
    for (std::int32_t x = 0; x < inside; ++x) {
        copy(x, first);
    }
    if (beyond > inside) {
        const auto start = static_cast<std::int32_t>(inside);
        const Pixel* from = &source.PixelAt(left + start, sourceY);
        Pixel* to = &output.PixelAt(start, y);
        for (std::int64_t i = 0; i < beyond - inside; ++i) {
            std::uint32_t colour, kept;
            std::memcpy(&colour, from + i, sizeof colour);
            std::memcpy(&kept, to + i, sizeof kept);
            const std::uint32_t value = (colour & 0x00FFFFFFu) | (kept & 0xFF000000u);
            std::memcpy(static_cast<void*>(to + i), &value, sizeof value);
        }
    }
    const Pixel last = source.PixelAt(source.Width() - 1, sourceY);
    for (auto x = static_cast<std::int32_t>(beyond); x < width; ++x) {
        copy(x, last);
    }
}

}  // namespace

void CropBitmapFile(const char16_t* source, const char16_t* destination, std::int32_t width,
                    std::int32_t height, std::int32_t left, std::int32_t top) noexcept {
    BitmapImage sourceImage;
    BitmapImage outputImage;
    {
        NarrowPath sourcePath(source);
        sourceImage.LoadFromFile(sourcePath.Text());
    }

    // A rectangle below 1 x 1 leaves the output at its default single pixel, which is still
    // stored. One that is real but cannot be held must not pass for a result: nothing is
    // stored, and an existing destination stays as it was.
    const bool sized = outputImage.Resize(width, height);
    if (!sized && width >= 1 && height >= 1) {
        return;
    }
    // Every output pixel takes its colour from one source pixel and no two images share a
    // pixel, so the order of the copy does not show in the result: row by row it walks
    // both grids the way they lie in memory.
    for (std::int32_t y = 0; sized && y < height; ++y) {
        CopyRow(sourceImage, outputImage, left, ClampedSum(top, y, sourceImage.Height()), y);
    }

    NarrowPath destinationPath(destination);
    outputImage.SaveToFile(destinationPath.Text());
}

}  // namespace zoro
