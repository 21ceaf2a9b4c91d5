// A C++ program built against an installed tree through find_package: it makes an image
// with the library, crops it through the module and reads the result back.
#include <cstdio>

#include "bmp/header_probes.h"
#include "export/bmp_crop.h"
#include "image/bitmap_image.h"

int main() {
    zoro::BitmapImage image;
    if (!image.Resize(3, 2)) {
        return 1;
    }
    for (std::int32_t x = 0; x < 3; ++x) {
        image.StorePixel(x, 1, zoro::Pixel{static_cast<std::uint8_t>(x), 0, 200, 0});
    }
    if (!image.SaveToFile("cxx-in.bmp")) {
        std::fprintf(stderr, "cannot save cxx-in.bmp\n");
        return 1;
    }
    BMPCrop(u"cxx-in.bmp", u"cxx-out.bmp", 2, 1, 1, 1);

    zoro::BitmapImage cropped;
    const zoro::InfoHeader header = zoro::ReadInfoHeader("cxx-out.bmp");
    if (!cropped.LoadFromFile("cxx-out.bmp") || header.biWidth != 2 || header.biHeight != 1 ||
        cropped.PixelValue(0, 0) != zoro::Pixel{1, 0, 200, 0} ||
        cropped.PixelValue(1, 0) != zoro::Pixel{2, 0, 200, 0}) {
        std::fprintf(stderr, "cxx-out.bmp does not hold the cropped row\n");
        return 1;
    }
    return 0;
}
