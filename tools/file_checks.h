// What bmptool finds out about its files by itself: whether a source will be read, and
// whether a destination was written.
#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <string>

namespace zoro {

// Why the headers of `path` cannot be looked at: it cannot be read, is not a regular
// file, or is shorter than the two headers. Empty when they can.
std::string ReasonHeadersMissing(const std::string& path);

// Why the library's reader would turn `path` away, judged from the file's headers; empty
// when it would read it. Anything but a regular file is not looked into (a pipe would
// lose the bytes read), and passes.
std::string ReasonSourceUnreadable(const std::string& path);

// Enough of a file's identity to tell whether it was replaced or rewritten.
struct FileStamp {
    bool exists = false;
    bool regular = false;
    dev_t device = 0;
    ino_t inode = 0;
    timespec modified{};
    timespec changed{};
};

FileStamp StampOf(const std::string& path);

// True when `path` was created, replaced or written since `before` was taken.
bool WrittenSince(const FileStamp& before, const std::string& path);

// Why `path` could not be created or replaced, as a phrase for a message.
std::string ReasonNotWritten(const std::string& path);

// Checks that a regular file at `path` holds a BMP image of the expected size and depth;
// empty when it does, otherwise what is wrong. Other kinds of file pass.
std::string ReasonWrongOutput(const std::string& path, std::int32_t width, std::int32_t height,
                              std::int32_t depth);

}  // namespace zoro
