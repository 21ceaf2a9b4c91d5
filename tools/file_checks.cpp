#include "tools/file_checks.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "bmp/header_probes.h"
#include "image/bitmap_image.h"
#include "tools/command_line.h"

namespace zoro {

namespace {

constexpr std::int64_t kHeaderBytes = 54;

std::string CompressionReason(const InfoHeader& info) {
    switch (info.biCompression) {
        case BI_RGB:
            return {};
        case BI_RLE8:
            return "RLE8 compression is not supported";
        case BI_RLE4:
            return "RLE4 compression is not supported";
        case BI_BITFIELDS:
            return info.biBitCount == 16
                       ? std::string()
                       : "bit-field masks are only supported at 16 bits per pixel, not at " +
                             std::to_string(info.biBitCount);
        default:
            return "compression " + std::to_string(info.biCompression) + " is not supported";
    }
}

std::string SizeReason(const InfoHeader& info) {
    if (info.biWidth <= 0) {
        return "the width " + std::to_string(info.biWidth) + " is not positive";
    }
    if (info.biHeight < 0) {
        return "files stored top row first (negative height) are not supported";
    }
    if (info.biHeight == 0) {
        return "the height is 0";
    }
    if (std::int64_t{info.biWidth} * info.biHeight > kMaxPixelCount) {
        return std::to_string(info.biWidth) + " x " + std::to_string(info.biHeight) +
               " pixels are more than the " + std::to_string(kMaxPixelCount) +
               " pixels an image may hold";
    }
    return {};
}

std::string DepthReason(const InfoHeader& info) {
    if (IsSupportedDepth(info.biBitCount)) {
        return {};
    }
    return std::to_string(info.biBitCount) +
           " bits per pixel are not supported (only 1, 4, 8, 16, 24 and 32)";
}

bool SameTime(const timespec& a, const timespec& b) {
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

}  // namespace

std::string ReasonHeadersMissing(const std::string& path) {
    struct stat info;
    if (::stat(path.c_str(), &info) != 0 || ::access(path.c_str(), R_OK) != 0) {
        return "cannot read " + Quoted(path) + ": " + std::strerror(errno);
    }
    if (S_ISDIR(info.st_mode)) {
        return Quoted(path) + " is a folder";
    }
    if (!S_ISREG(info.st_mode)) {
        return Quoted(path) + " is not a regular file";
    }
    if (info.st_size < kHeaderBytes) {
        return Quoted(path) + " is too short for a BMP file (" + std::to_string(info.st_size) +
               " bytes)";
    }
    return {};
}

std::string ReasonSourceUnreadable(const std::string& path) {
    struct stat info;
    if (::stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode)) {
        return {};
    }
    const std::string missing = ReasonHeadersMissing(path);
    if (!missing.empty()) {
        return missing;
    }
    if (ReadFileHeader(path.c_str()).bfType != kBmpMagic) {
        return Quoted(path) + " is not a BMP file (it does not begin with \"BM\")";
    }
    const InfoHeader header = ReadInfoHeader(path.c_str());
    for (const std::string& reason :
         {CompressionReason(header), DepthReason(header), SizeReason(header)}) {
        if (!reason.empty()) {
            return Quoted(path) + ": " + reason;
        }
    }
    return {};
}

FileStamp StampOf(const std::string& path) {
    FileStamp stamp;
    struct stat info;
    if (::stat(path.c_str(), &info) == 0) {
        stamp.exists = true;
        stamp.regular = S_ISREG(info.st_mode);
        stamp.device = info.st_dev;
        stamp.inode = info.st_ino;
        stamp.modified = info.st_mtim;
        stamp.changed = info.st_ctim;
    }
    return stamp;
}

bool WrittenSince(const FileStamp& before, const std::string& path) {
    const FileStamp after = StampOf(path);
    if (!after.exists) {
        return false;
    }
    // A regular file is replaced by a new one; anything else is written where it is.
    return !before.exists || after.device != before.device || after.inode != before.inode ||
           !SameTime(after.modified, before.modified) || !SameTime(after.changed, before.changed);
}

std::string ReasonNotWritten(const std::string& path) {
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path target(path);
    if (path.empty()) {
        return "the destination path is empty";
    }
    if (fs::is_directory(target, error)) {
        return "cannot write " + Quoted(path) + ": it is a folder";
    }
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    if (!fs::is_directory(folder, error)) {
        return "cannot write " + Quoted(path) + ": the folder " + Quoted(folder.string()) +
               " does not exist";
    }
    if (::access(folder.c_str(), W_OK) != 0) {
        return "cannot write " + Quoted(path) + ": " + std::strerror(errno);
    }
    return "cannot write " + Quoted(path);
}

std::string ReasonWrongOutput(const std::string& path, std::int32_t width, std::int32_t height,
                              std::int32_t depth) {
    if (!StampOf(path).regular) {
        return {};
    }
    const InfoHeader info = ReadInfoHeader(path.c_str());
    if (ReadFileHeader(path.c_str()).bfType != kBmpMagic || info.biWidth != width ||
        info.biHeight != height || info.biBitCount != depth) {
        return Quoted(path) + " was written but does not hold the " + std::to_string(width) +
               " x " + std::to_string(height) + " image";
    }
    return {};
}

}  // namespace zoro
