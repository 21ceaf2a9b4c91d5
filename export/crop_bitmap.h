// The crop behind the exported function, callable in-process by tests and fuzzers.
#pragma once

#include <cstdint>

namespace zoro {

// Cuts the rectangle of `width` x `height` pixels whose top-left corner is source pixel
// (`left`, `top`) out of the BMP file `source` and stores it as a 24-bit BMP file at
// `destination`. Positions outside the source repeat its nearest edge pixel; a source that
// cannot be read counts as one white pixel. A width or height below 1 stores a 1 x 1 file;
// a rectangle the library cannot hold stores nothing. Either path may be null, which names
// no file. Reports nothing: the outcome is the file written.
void CropBitmapFile(const char16_t* source, const char16_t* destination, std::int32_t width,
                    std::int32_t height, std::int32_t left, std::int32_t top) noexcept;

}  // namespace zoro
