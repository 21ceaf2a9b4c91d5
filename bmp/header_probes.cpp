#include "bmp/header_probes.h"

namespace zoro {

FileHeader ReadFileHeader(const char* path) {
    FileHeader header;
    Stream* stream = OpenStream(path, "rb");
    if (stream == nullptr) {
        header.bfType = 0;
        return header;
    }
    ReadChecked(&header.bfType, sizeof header.bfType, 1, stream);
    ReadFileHeaderAfterType(header, stream);
    CloseStream(stream);
    return header;
}

InfoHeader ReadInfoHeader(const char* path) {
    InfoHeader header;
    Stream* stream = OpenStream(path, "rb");
    if (stream == nullptr) {
        return header;
    }
    std::uint8_t scratch = 0;
    for (std::uint32_t i = 0; i < kFileHeaderBytes; ++i) {
        ReadChecked(&scratch, 1, 1, stream);
    }
    ReadInfoHeaderFields(header, stream);
    CloseStream(stream);
    return header;
}

std::int32_t FileColorDepth(const char* path) {
    return ReadInfoHeader(path).biBitCount;
}

}  // namespace zoro
