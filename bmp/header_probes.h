// Looks at the headers of a BMP file without loading it. Nothing is validated: the
// records hold what the file's first bytes say. A field the file does not reach keeps
// its constructor value (0 where the record has no default).
#pragma once

#include <cstdint>

#include "bmp/header_records.h"

namespace zoro {

// The first 14 bytes. A file that cannot be opened gives bfType 0.
FileHeader ReadFileHeader(const char* path);

// The 40 bytes after the file header, whatever biSize says. A file that cannot be opened
// gives the default record.
InfoHeader ReadInfoHeader(const char* path);

// biBitCount of ReadInfoHeader, as stored.
std::int32_t FileColorDepth(const char* path);

}  // namespace zoro
