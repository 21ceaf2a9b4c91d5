// Caps the address space of the process for the life of an object, so that an allocation
// beyond what a test allows fails instead of succeeding quietly. Sanitizers and valgrind
// keep huge reservations of their own, so there the cap is not applied.
#pragma once

#include <sys/resource.h>
#include <unistd.h>

#if __has_include(<valgrind/valgrind.h>)
#include <valgrind/valgrind.h>
#else
#define RUNNING_ON_VALGRIND 0
#endif

#include <cstdint>
#include <fstream>

namespace zoro {

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define ZORO_UNDER_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define ZORO_UNDER_SANITIZER 1
#endif
#endif

class AddressSpaceLimit {
  public:
    // Allows `budget` bytes of address space beyond what the process holds now.
    explicit AddressSpaceLimit(std::uint64_t budget) {
        if (!Applies() || ::getrlimit(RLIMIT_AS, &previous_) != 0) {
            return;
        }
        rlimit capped = previous_;
        capped.rlim_cur = static_cast<rlim_t>(MappedBytes() + budget);
        if (previous_.rlim_cur != RLIM_INFINITY && capped.rlim_cur > previous_.rlim_cur) {
            capped.rlim_cur = previous_.rlim_cur;
        }
        active_ = ::setrlimit(RLIMIT_AS, &capped) == 0;
    }
    ~AddressSpaceLimit() {
        if (active_) {
            ::setrlimit(RLIMIT_AS, &previous_);
        }
    }
    AddressSpaceLimit(const AddressSpaceLimit&) = delete;
    AddressSpaceLimit& operator=(const AddressSpaceLimit&) = delete;

    static bool Applies() {
#ifdef ZORO_UNDER_SANITIZER
        return false;
#else
        return RUNNING_ON_VALGRIND == 0;
#endif
    }

  private:
    // The size of every mapping of the process (the first figure of /proc/self/statm is
    // in pages).
    static std::uint64_t MappedBytes() {
        std::ifstream statm("/proc/self/statm");
        std::uint64_t pages = 0;
        statm >> pages;
        return pages * static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE));
    }

    rlimit previous_{};
    bool active_ = false;
};

}  // namespace zoro
