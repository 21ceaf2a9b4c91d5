#include "export/bmp_crop.h"

#include "export/crop_bitmap.h"

static_assert(sizeof(BMPCropChar) == sizeof(char16_t), "paths are strings of 16-bit units");

extern "C" int32_t BMPCrop(const BMPCropChar* source, const BMPCropChar* destination, int32_t width,
                           int32_t height, int32_t left, int32_t top) {
    zoro::CropBitmapFile(reinterpret_cast<const char16_t*>(source),
                         reinterpret_cast<const char16_t*>(destination), width, height, left, top);
    return 999;
}
