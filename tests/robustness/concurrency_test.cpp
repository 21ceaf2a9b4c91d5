// The export called from eight threads at once, as a host would call the loaded module:
// every output must equal the one a single call made beforehand. The tsan preset runs
// this suite under ThreadSanitizer.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "export/bmp_crop.h"
#include "image/bitmap_image.h"
#include "support/temp_dir.h"
#include "support/test_images.h"

namespace zoro {
namespace {

using CropFunction = decltype(&BMPCrop);

constexpr int kThreads = 8;
constexpr int kRounds = 12;

struct Job {
    std::u16string source;
    std::int32_t width, height, left, top;
};

TEST(Concurrency, EightThreadsCroppingAtOnceGetTheSerialResults) {
    void* module = ::dlopen(ZORO_MODULE_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(module, nullptr) << ::dlerror();
    const auto crop = reinterpret_cast<CropFunction>(::dlsym(module, "BMPCrop"));
    ASSERT_NE(crop, nullptr) << ::dlerror();

    // Sources at every depth, one of them cut short and one that is no BMP file at all.
    TempDir dir;
    std::vector<Job> jobs;
    const std::int32_t depths[] = {1, 4, 8, 16, 24, 32};
    for (std::size_t i = 0; i < std::size(depths); ++i) {
        BitmapImage picture;
        Paint(picture, depths[i], 37 + static_cast<std::int32_t>(i), 23);
        const std::string path = dir.File("source" + std::to_string(i) + ".bmp");
        ASSERT_TRUE(picture.SaveToFile(path.c_str()));
        const auto offset = static_cast<std::int32_t>(i) - 3;
        jobs.push_back({std::filesystem::path(path).u16string(), 30, 20, offset, offset * 2});
    }
    const std::string cut = dir.File("cut.bmp");
    std::vector<std::uint8_t> bytes = ReadBytes(dir.File("source4.bmp"));
    bytes.resize(bytes.size() / 2);
    WriteBytes(cut, bytes);
    jobs.push_back({std::filesystem::path(cut).u16string(), 41, 29, 0, 0});
    const std::string other = dir.File("other.bmp");
    WriteBytes(other, {'P', 'K', 3, 4});
    jobs.push_back({std::filesystem::path(other).u16string(), 5, 5, 0, 0});

    // The serial results.
    std::vector<std::vector<std::uint8_t>> expected;
    for (std::size_t j = 0; j < jobs.size(); ++j) {
        const std::string path = dir.File("expected" + std::to_string(j) + ".bmp");
        const Job& job = jobs[j];
        ASSERT_EQ(crop(job.source.c_str(), std::filesystem::path(path).u16string().c_str(),
                       job.width, job.height, job.left, job.top),
                  999);
        expected.push_back(ReadBytes(path));
        ASSERT_FALSE(expected.back().empty());
    }

    // Each thread crops every source in its own order into files of its own, round after
    // round, and checks what it wrote.
    std::atomic<int> mismatches{0};
    std::atomic<int> ready{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            ++ready;
            while (ready.load() < kThreads) {
                std::this_thread::yield();
            }
            for (int round = 0; round < kRounds; ++round) {
                for (std::size_t k = 0; k < jobs.size(); ++k) {
                    const std::size_t j = (k + static_cast<std::size_t>(t)) % jobs.size();
                    const Job& job = jobs[j];
                    const std::string path =
                        dir.File("thread" + std::to_string(t) + "-" + std::to_string(j) + ".bmp");
                    const std::u16string wide = std::filesystem::path(path).u16string();
                    if (crop(job.source.c_str(), wide.c_str(), job.width, job.height, job.left,
                             job.top) != 999 ||
                        ReadBytes(path) != expected[j]) {
                        ++mismatches;
                    }
                }
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(mismatches.load(), 0);
    // Nothing but the outputs is left behind: no temporary file survives.
    EXPECT_EQ(Listing(dir.Path()).size(), jobs.size() * (kThreads + 2));
    ::dlclose(module);
}

}  // namespace
}  // namespace zoro
