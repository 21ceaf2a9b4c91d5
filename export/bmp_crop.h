/* The module's one export: cuts a rectangle out of a BMP file and stores it as a new
   24-bit BMP file. Usable from C and C++. */
#ifndef ZORORAZORADODE_BMP_CROP_H
#define ZORORAZORADODE_BMP_CROP_H

#include <stdint.h>

/* Paths are zero-terminated strings of 16-bit units (UTF-16). */
#if defined(_WIN32)
#include <wchar.h>
typedef wchar_t BMPCropChar;
#elif defined(__cplusplus)
typedef char16_t BMPCropChar;
#else
#include <uchar.h>
typedef char16_t BMPCropChar;
#endif

#if defined(_WIN32)
#define BMPCROP_API
#elif defined(__GNUC__)
#define BMPCROP_API __attribute__((visibility("default")))
#else
#define BMPCROP_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Stores the `width` x `height` rectangle whose top-left corner is source pixel
   (`left`, `top`) at `destination`; row 0 is the top row of the picture. Positions outside
   the source repeat its nearest edge pixel, and a source that cannot be read is taken as
   white. A width or height below 1 stores a 1 x 1 file; a rectangle of more than 2^28
   pixels, a null destination or one that cannot be created stores nothing. Always returns
   999: the outcome is the file. */
BMPCROP_API int32_t BMPCrop(const BMPCropChar* source, const BMPCropChar* destination,
                            int32_t width, int32_t height, int32_t left, int32_t top);

#ifdef __cplusplus
}
#endif

#endif
