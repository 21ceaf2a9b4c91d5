// The platform layer: the few operating-system services the library uses, behind calls
// of our own so that the same code builds on Linux and on Windows.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zoro {

// A byte stream on a file, opened for reading ("rb") or writing ("wb").
//
// Reading follows the C library's rules exactly: a read returns the number of whole items
// it read, and the end-of-file indicator is set by the first read that comes up short.
//
// Writing never touches an existing regular file until the stream is closed cleanly: the
// bytes go to a temporary file beside the destination, which replaces it on a clean close.
// A stream that is abandoned, or whose close fails, leaves the destination as it was.
struct Stream;

// Opens `path` with mode "rb" or "wb". Returns null when the file cannot be opened, when
// `path` is null or empty, when it names a folder, or when the mode is neither of the two.
Stream* OpenStream(const char* path, const char* mode) noexcept;

// Reads up to `count` items of `size` bytes each; returns the number of whole items read.
std::size_t ReadItems(void* buffer, std::size_t size, std::size_t count, Stream* stream) noexcept;

// Writes `count` items of `size` bytes each; returns the number of whole items accepted.
std::size_t WriteItems(const void* buffer, std::size_t size, std::size_t count,
                       Stream* stream) noexcept;

// True once a read on the stream has come up short.
bool EndOfStream(const Stream* stream) noexcept;

// Flushes and closes the stream and, for a write stream, puts the file in place. Returns
// false when anything written could not be stored; the destination is then untouched.
bool CloseStream(Stream* stream) noexcept;

// Closes a write stream without putting the file in place (a read stream is simply closed).
void AbandonStream(Stream* stream) noexcept;

// Test only: every write stream that the calling thread opens from now on stops taking
// bytes once `bytes` of them have reached its file, as a full disk would. A negative value
// lifts the limit. Nothing in the library calls it.
void LimitWritesForTesting(long long bytes) noexcept;

// Array allocation never throws: it returns null when the block cannot be had.
void* AllocateArray(std::size_t bytes) noexcept;
void ReleaseArray(void* block) noexcept;

// Number of 16-bit units before the terminator.
std::size_t WideStringLength(const char16_t* text) noexcept;

// Worst-case number of narrow bytes for `units` 16-bit units, terminator excluded.
std::size_t NarrowBytesNeeded(const char16_t* text, std::size_t units) noexcept;

// Converts a terminated wide string to the narrow encoding of the platform (UTF-8 on
// POSIX systems, the ANSI code page on Windows), terminator included. Writes at most
// `capacity` bytes and always terminates when `capacity` > 0. Returns false when the
// whole string did not fit.
bool WideToNarrow(const char16_t* text, char* buffer, std::size_t capacity) noexcept;

// Upper-case of one character of the basic Latin range; others are returned unchanged.
char UpperCase(char c) noexcept;

double Floor(double value) noexcept;
double Ceiling(double value) noexcept;

}  // namespace zoro
