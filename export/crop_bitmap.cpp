#include "export/crop_bitmap.h"

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
    for (std::int32_t x = 0; sized && x < width; ++x) {
        for (std::int32_t y = 0; y < height; ++y) {
            const Pixel& from = sourceImage.PixelAt(ClampedSum(left, x, sourceImage.Width()),
                                                    ClampedSum(top, y, sourceImage.Height()));
            Pixel& to = outputImage.PixelAt(x, y);
            to.blue = from.blue;
            to.green = from.green;
            to.red = from.red;
        }
    }

    NarrowPath destinationPath(destination);
    outputImage.SaveToFile(destinationPath.Text());
}

}  // namespace zoro
