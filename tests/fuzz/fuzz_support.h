// What the fuzz harnesses share: a scratch file per process for the bytes under test, a
// reader of parameters off the front of the input, and a check that aborts loudly.
#pragma once

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace zoro::fuzz {

// Reports a broken promise; libFuzzer keeps the input that caused it.
#define ZORO_FUZZ_CHECK(condition)                                                             \
    do {                                                                                       \
        if (!(condition)) {                                                                    \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                      \
        }                                                                                      \
    } while (false)

// A file of this process in memory-backed storage where there is some, removed at exit.
class ScratchFile {
  public:
    explicit ScratchFile(const char* name) {
        const char* folder = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : std::getenv("TMPDIR");
        path_ = std::string(folder != nullptr ? folder : "/tmp") + "/zoro-fuzz-" +
                std::to_string(getpid()) + "-" + name;
    }
    ~ScratchFile() { std::remove(path_.c_str()); }
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;

    const char* Path() const { return path_.c_str(); }

    void Write(const std::uint8_t* data, std::size_t size) const {
        std::FILE* file = std::fopen(path_.c_str(), "wb");
        ZORO_FUZZ_CHECK(file != nullptr);
        ZORO_FUZZ_CHECK(size == 0 || std::fwrite(data, 1, size, file) == size);
        ZORO_FUZZ_CHECK(std::fclose(file) == 0);
    }

  private:
    std::string path_;
};

// Takes little-endian values off the front of the input; past its end every value is 0.
class Parameters {
  public:
    Parameters(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    std::uint32_t Take(int bytes) {
        std::uint32_t value = 0;
        for (int i = 0; i < bytes; ++i) {
            const std::uint32_t byte = used_ < size_ ? data_[used_] : 0;
            ++used_;
            value |= byte << (8 * i);
        }
        return value;
    }

    // What is left after the parameters.
    const std::uint8_t* Rest() const { return used_ < size_ ? data_ + used_ : data_; }
    std::size_t RestSize() const { return used_ < size_ ? size_ - used_ : 0; }

  private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t used_ = 0;
};

// True when the info header of `file` declares more than `limit` pixels. Harnesses that
// only need the grid's contents skip such inputs, which the load harness covers, to stay
// fast.
inline bool DeclaresMoreThan(const std::uint8_t* file, std::size_t size, std::int64_t limit) {
    if (size < 26) {
        return false;
    }
    auto field = [file](std::size_t at) {
        std::uint32_t value = 0;
        for (std::size_t i = 4; i-- > 0;) {
            value = value << 8 | file[at + i];
        }
        return static_cast<std::int32_t>(value);
    };
    return std::int64_t{field(18)} * field(22) > limit;
}

}  // namespace zoro::fuzz
