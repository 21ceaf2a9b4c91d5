#include "export/platform.h"

#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <climits>
#endif

namespace zoro {

namespace {

#ifdef _WIN32
using Handle = HANDLE;
const Handle kNoHandle = INVALID_HANDLE_VALUE;
#else
using Handle = int;
constexpr Handle kNoHandle = -1;
#endif

constexpr std::size_t kBufferSize = 64 * 1024;

// ---- The operating system's file calls, one small function each ----

#ifdef _WIN32

bool IsFolder(const char* path) {
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

Handle OpenForReading(const char* path) {
    if (IsFolder(path)) {
        return kNoHandle;
    }
    return CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// Reads up to `bytes`; returns the count read, or -1 on an error.
long long ReadSome(Handle handle, void* buffer, std::size_t bytes) {
    DWORD chunk = bytes > 0x40000000u ? 0x40000000u : static_cast<DWORD>(bytes);
    DWORD got = 0;
    if (!ReadFile(handle, buffer, chunk, &got, nullptr)) {
        return -1;
    }
    return static_cast<long long>(got);
}

long long WriteSome(Handle handle, const void* buffer, std::size_t bytes) {
    DWORD chunk = bytes > 0x40000000u ? 0x40000000u : static_cast<DWORD>(bytes);
    DWORD put = 0;
    if (!WriteFile(handle, buffer, chunk, &put, nullptr)) {
        return -1;
    }
    return static_cast<long long>(put);
}

bool CloseHandleOf(Handle handle) {
    return CloseHandle(handle) != 0;
}

struct WriteTarget {
    Handle handle = kNoHandle;
    std::string temporary;  // empty when writing in place
    std::string destination;
};

WriteTarget OpenForWriting(const char* path) {
    WriteTarget target;
    if (IsFolder(path)) {
        return target;
    }
    target.destination = path;
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        char suffix[64];
        std::snprintf(suffix, sizeof suffix, ".%lu-%u.tmp",
                      static_cast<unsigned long>(GetCurrentProcessId()), counter++);
        std::string name = target.destination + suffix;
        Handle handle = CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle != kNoHandle) {
            target.handle = handle;
            target.temporary = name;
            return target;
        }
        if (GetLastError() != ERROR_FILE_EXISTS) {
            break;
        }
    }
    return target;
}

bool PutInPlace(const WriteTarget& target) {
    return MoveFileExA(target.temporary.c_str(), target.destination.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED) != 0;
}

void RemoveFile(const std::string& path) {
    DeleteFileA(path.c_str());
}

#else  // POSIX

Handle OpenForReading(const char* path) {
    Handle handle = -1;
    do {
        handle = ::open(path, O_RDONLY | O_CLOEXEC);
    } while (handle < 0 && errno == EINTR);
    if (handle < 0) {
        return kNoHandle;
    }
    struct stat info;
    if (::fstat(handle, &info) != 0 || S_ISDIR(info.st_mode)) {
        ::close(handle);
        return kNoHandle;
    }
    return handle;
}

long long ReadSome(Handle handle, void* buffer, std::size_t bytes) {
    if (bytes > static_cast<std::size_t>(SSIZE_MAX)) {
        bytes = static_cast<std::size_t>(SSIZE_MAX);
    }
    for (;;) {
        ssize_t got = ::read(handle, buffer, bytes);
        if (got >= 0 || errno != EINTR) {
            return static_cast<long long>(got);
        }
    }
}

long long WriteSome(Handle handle, const void* buffer, std::size_t bytes) {
    if (bytes > static_cast<std::size_t>(SSIZE_MAX)) {
        bytes = static_cast<std::size_t>(SSIZE_MAX);
    }
    for (;;) {
        ssize_t put = ::write(handle, buffer, bytes);
        if (put >= 0 || errno != EINTR) {
            return static_cast<long long>(put);
        }
    }
}

bool CloseHandleOf(Handle handle) {
    return ::close(handle) == 0 || errno == EINTR;
}

struct WriteTarget {
    Handle handle = kNoHandle;
    std::string temporary;  // empty when writing in place
    std::string destination;
    bool keepMode = false;
    mode_t mode = 0;
};

// The file a destination names: a symbolic link is followed to the file it points to, so
// that replacing the file keeps the link.
std::string ResolveLinks(const char* path) {
    std::string resolved = path;
    for (int depth = 0; depth < 40; ++depth) {
        struct stat info;
        if (::lstat(resolved.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) {
            return resolved;
        }
        std::string link(static_cast<std::size_t>(info.st_size > 0 ? info.st_size : 256) + 1, '\0');
        ssize_t length = ::readlink(resolved.c_str(), &link[0], link.size());
        if (length < 0 || static_cast<std::size_t>(length) >= link.size()) {
            return resolved;
        }
        link.resize(static_cast<std::size_t>(length));
        if (!link.empty() && link[0] == '/') {
            resolved = link;
        } else {
            std::size_t slash = resolved.rfind('/');
            resolved =
                (slash == std::string::npos ? std::string() : resolved.substr(0, slash + 1)) + link;
        }
    }
    return resolved;
}

// The temporary sits beside the destination and is named after it. A destination name
// too long to take the suffix is shortened first, so that a file that can be created can
// also be written.
std::string TemporaryName(const std::string& destination, const char* suffix) {
    constexpr std::size_t kLongestName = 255;  // NAME_MAX of the common file systems
    const std::size_t slash = destination.rfind('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const std::size_t room = kLongestName - std::strlen(suffix);
    if (destination.size() - nameStart <= room) {
        return destination + suffix;
    }
    return destination.substr(0, nameStart + room) + suffix;
}

WriteTarget OpenForWriting(const char* path) {
    WriteTarget target;
    target.destination = ResolveLinks(path);
    struct stat info;
    if (::stat(target.destination.c_str(), &info) == 0) {
        if (S_ISDIR(info.st_mode)) {
            return target;
        }
        if (!S_ISREG(info.st_mode)) {
            // A device or a FIFO cannot be replaced; it is written as it stands.
            target.handle = ::open(target.destination.c_str(), O_WRONLY | O_CLOEXEC);
            return target;
        }
        target.keepMode = true;
        target.mode = info.st_mode & 07777;
    }
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        char suffix[64];
        std::snprintf(suffix, sizeof suffix, ".%ld-%u.tmp", static_cast<long>(::getpid()),
                      counter++);
        std::string name = TemporaryName(target.destination, suffix);
        // 0666 so that the umask gives a new file the usual permissions.
        Handle handle = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (handle >= 0) {
            target.handle = handle;
            target.temporary = name;
            return target;
        }
        if (errno != EEXIST) {
            break;
        }
    }
    return target;
}

bool PutInPlace(const WriteTarget& target) {
    if (target.keepMode && ::chmod(target.temporary.c_str(), target.mode) != 0) {
        return false;
    }
    return ::rename(target.temporary.c_str(), target.destination.c_str()) == 0;
}

void RemoveFile(const std::string& path) {
    ::unlink(path.c_str());
}

#endif

}  // namespace

struct Stream {
    Handle handle = kNoHandle;
    bool writing = false;
    bool atEnd = false;   // the end-of-file indicator
    bool failed = false;  // a write or flush was refused
    unsigned char* buffer = nullptr;
    std::size_t begin = 0;  // reading: next unread byte in the buffer
    std::size_t end = 0;    // reading: bytes in the buffer; writing: bytes pending
    WriteTarget target;     // writing only
    long long room = -1;    // bytes the file may still take under a test's limit; -1: no limit
};

namespace {

thread_local long long writeLimitForTesting = -1;

// WriteSome, within the room a test left the stream; a stream without room fails as on a
// full disk.
long long WriteToFile(Stream* stream, const void* buffer, std::size_t bytes) {
    if (stream->room < 0) {
        return WriteSome(stream->handle, buffer, bytes);
    }
    if (stream->room == 0) {
        return -1;
    }
    if (bytes > static_cast<unsigned long long>(stream->room)) {
        bytes = static_cast<std::size_t>(stream->room);
    }
    long long put = WriteSome(stream->handle, buffer, bytes);
    if (put > 0) {
        stream->room -= put;
    }
    return put;
}

bool Flush(Stream* stream) {
    std::size_t done = 0;
    while (done < stream->end) {
        long long put = WriteToFile(stream, stream->buffer + done, stream->end - done);
        if (put <= 0) {
            stream->failed = true;
            stream->end = 0;
            return false;
        }
        done += static_cast<std::size_t>(put);
    }
    stream->end = 0;
    return true;
}

void Destroy(Stream* stream) {
    ReleaseArray(stream->buffer);
    delete stream;
}

}  // namespace

Stream* OpenStream(const char* path, const char* mode) noexcept {
    // An empty path names no file; for writing it would otherwise name a temporary in the
    // working folder.
    if (path == nullptr || path[0] == '\0' || mode == nullptr) {
        return nullptr;
    }
    bool writing;
    if (std::strcmp(mode, "rb") == 0) {
        writing = false;
    } else if (std::strcmp(mode, "wb") == 0) {
        writing = true;
    } else {
        return nullptr;
    }
    Stream* stream = new (std::nothrow) Stream;
    if (stream == nullptr) {
        return nullptr;
    }
    stream->writing = writing;
    stream->buffer = static_cast<unsigned char*>(AllocateArray(kBufferSize));
    if (stream->buffer == nullptr) {
        Destroy(stream);
        return nullptr;
    }
    if (writing) {
        stream->room = writeLimitForTesting;
        stream->target = OpenForWriting(path);
        stream->handle = stream->target.handle;
    } else {
        stream->handle = OpenForReading(path);
    }
    if (stream->handle == kNoHandle) {
        Destroy(stream);
        return nullptr;
    }
    return stream;
}

std::size_t ReadItems(void* buffer, std::size_t size, std::size_t count, Stream* stream) noexcept {
    if (stream == nullptr || stream->writing || size == 0 || count == 0) {
        return 0;
    }
    if (count > SIZE_MAX / size) {
        count = SIZE_MAX / size;
    }
    unsigned char* out = static_cast<unsigned char*>(buffer);
    const std::size_t wanted = size * count;
    std::size_t have = 0;
    while (have < wanted) {
        std::size_t buffered = stream->end - stream->begin;
        if (buffered > 0) {
            std::size_t take = buffered < wanted - have ? buffered : wanted - have;
            std::memcpy(out + have, stream->buffer + stream->begin, take);
            stream->begin += take;
            have += take;
            continue;
        }
        // Large requests go straight to the caller's buffer; small ones refill ours.
        long long got;
        if (wanted - have >= kBufferSize) {
            got = ReadSome(stream->handle, out + have, wanted - have);
            if (got > 0) {
                have += static_cast<std::size_t>(got);
            }
        } else {
            got = ReadSome(stream->handle, stream->buffer, kBufferSize);
            stream->begin = 0;
            stream->end = got > 0 ? static_cast<std::size_t>(got) : 0;
        }
        if (got <= 0) {
            stream->atEnd = true;
            break;
        }
    }
    return have / size;
}

std::size_t WriteItems(const void* buffer, std::size_t size, std::size_t count,
                       Stream* stream) noexcept {
    if (stream == nullptr || !stream->writing || stream->failed || size == 0 || count == 0) {
        return 0;
    }
    if (count > SIZE_MAX / size) {
        count = SIZE_MAX / size;
    }
    const unsigned char* in = static_cast<const unsigned char*>(buffer);
    const std::size_t total = size * count;
    std::size_t done = 0;
    while (done < total) {
        if (stream->end == 0 && total - done >= kBufferSize) {
            long long put = WriteToFile(stream, in + done, total - done);
            if (put <= 0) {
                stream->failed = true;
                break;
            }
            done += static_cast<std::size_t>(put);
            continue;
        }
        std::size_t room = kBufferSize - stream->end;
        std::size_t take = room < total - done ? room : total - done;
        std::memcpy(stream->buffer + stream->end, in + done, take);
        stream->end += take;
        done += take;
        if (stream->end == kBufferSize && !Flush(stream)) {
            done -= take;  // the bytes that did not reach the file are not counted
            break;
        }
    }
    return done / size;
}

bool EndOfStream(const Stream* stream) noexcept {
    return stream == nullptr || stream->atEnd;
}

bool CloseStream(Stream* stream) noexcept {
    if (stream == nullptr) {
        return false;
    }
    bool ok = true;
    if (stream->writing) {
        ok = Flush(stream) && !stream->failed;
    }
    ok = CloseHandleOf(stream->handle) && ok;
    if (stream->writing && !stream->target.temporary.empty()) {
        if (ok) {
            ok = PutInPlace(stream->target);
        }
        if (!ok) {
            RemoveFile(stream->target.temporary);
        }
    }
    Destroy(stream);
    return ok;
}

void AbandonStream(Stream* stream) noexcept {
    if (stream == nullptr) {
        return;
    }
    stream->failed = true;
    stream->end = 0;
    CloseStream(stream);
}

void LimitWritesForTesting(long long bytes) noexcept {
    writeLimitForTesting = bytes < 0 ? -1 : bytes;
}

#if defined(_WIN32) || !defined(MADV_HUGEPAGE)

void* AllocateArray(std::size_t bytes) noexcept {
    return std::malloc(bytes == 0 ? 1 : bytes);
}

#else

// A large block (a pixel grid) is aligned to huge pages and asks for them: filling it then
// costs one page fault per 2 MiB instead of one per 4 KiB, which is much of the time it
// takes to load a large picture.
void* AllocateArray(std::size_t bytes) noexcept {
    constexpr std::size_t kHugePage = std::size_t{2} << 20;
    if (bytes < 4 * kHugePage) {
        return std::malloc(bytes == 0 ? 1 : bytes);
    }
    void* block = nullptr;
    if (::posix_memalign(&block, kHugePage, bytes) != 0) {
        return nullptr;
    }
    ::madvise(block, bytes / kHugePage * kHugePage, MADV_HUGEPAGE);
    return block;
}

#endif

void ReleaseArray(void* block) noexcept {
    std::free(block);
}

std::size_t WideStringLength(const char16_t* text) noexcept {
    std::size_t length = 0;
    if (text != nullptr) {
        while (text[length] != 0) {
            ++length;
        }
    }
    return length;
}

#ifdef _WIN32

std::size_t NarrowBytesNeeded(const char16_t* text, std::size_t units) noexcept {
    if (text == nullptr || units == 0) {
        return 0;
    }
    int needed = WideCharToMultiByte(CP_ACP, 0, reinterpret_cast<const wchar_t*>(text),
                                     static_cast<int>(units), nullptr, 0, nullptr, nullptr);
    return needed > 0 ? static_cast<std::size_t>(needed) : 0;
}

bool WideToNarrow(const char16_t* text, char* buffer, std::size_t capacity) noexcept {
    if (capacity == 0) {
        return false;
    }
    buffer[0] = '\0';
    if (text == nullptr) {
        return true;
    }
    int size = capacity > 0x7fffffff ? 0x7fffffff : static_cast<int>(capacity);
    int written = WideCharToMultiByte(CP_ACP, 0, reinterpret_cast<const wchar_t*>(text), -1, buffer,
                                      size, nullptr, nullptr);
    if (written <= 0) {
        buffer[0] = '\0';
        return false;
    }
    return true;
}

#else

// UTF-8: a 16-bit unit takes at most 3 bytes (a surrogate pair, two units, takes 4).
std::size_t NarrowBytesNeeded(const char16_t* /*text*/, std::size_t units) noexcept {
    return units > SIZE_MAX / 3 ? SIZE_MAX : units * 3;
}

bool WideToNarrow(const char16_t* text, char* buffer, std::size_t capacity) noexcept {
    if (capacity == 0) {
        return false;
    }
    std::size_t used = 0;
    auto put = [&](const unsigned char* bytes, std::size_t count) {
        if (used + count >= capacity) {
            return false;  // keep room for the terminator
        }
        std::memcpy(buffer + used, bytes, count);
        used += count;
        return true;
    };
    bool whole = true;
    for (std::size_t i = 0; text != nullptr && text[i] != 0 && whole; ++i) {
        char32_t code = text[i];
        if (code >= 0xD800 && code <= 0xDBFF && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            code = 0x10000 + ((code - 0xD800) << 10) + (text[i + 1] - 0xDC00u);
            ++i;
        } else if (code >= 0xD800 && code <= 0xDFFF) {
            code = 0xFFFD;  // an unpaired surrogate names no character
        }
        unsigned char bytes[4];
        std::size_t count;
        if (code < 0x80) {
            bytes[0] = static_cast<unsigned char>(code);
            count = 1;
        } else if (code < 0x800) {
            bytes[0] = static_cast<unsigned char>(0xC0 | (code >> 6));
            bytes[1] = static_cast<unsigned char>(0x80 | (code & 0x3F));
            count = 2;
        } else if (code < 0x10000) {
            bytes[0] = static_cast<unsigned char>(0xE0 | (code >> 12));
            bytes[1] = static_cast<unsigned char>(0x80 | ((code >> 6) & 0x3F));
            bytes[2] = static_cast<unsigned char>(0x80 | (code & 0x3F));
            count = 3;
        } else {
            bytes[0] = static_cast<unsigned char>(0xF0 | (code >> 18));
            bytes[1] = static_cast<unsigned char>(0x80 | ((code >> 12) & 0x3F));
            bytes[2] = static_cast<unsigned char>(0x80 | ((code >> 6) & 0x3F));
            bytes[3] = static_cast<unsigned char>(0x80 | (code & 0x3F));
            count = 4;
        }
        whole = put(bytes, count);
    }
    buffer[used] = '\0';
    return whole;
}

#endif

char UpperCase(char c) noexcept {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

double Floor(double value) noexcept {
    return std::floor(value);
}

double Ceiling(double value) noexcept {
    return std::ceil(value);
}

}  // namespace zoro
