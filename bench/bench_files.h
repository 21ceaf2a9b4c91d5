// Scratch files for the benchmarks: one folder per run, removed when the program ends.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <utility>

#include "image/bitmap_image.h"

namespace zoro {

struct PictureSize {
    std::int32_t width;
    std::int32_t height;
};

// The sizes every benchmark runs at; the last is the comparison's standard input.
constexpr PictureSize kSizes[] = {{640, 480}, {1920, 1080}, {8000, 6000}};
constexpr PictureSize kFullSize = kSizes[2];

std::string SizeName(PictureSize size);

// Reports the pixels of `size` handled per second of real time.
void CountPixels(benchmark::State& state, PictureSize size);

// The folder, created on first use under $ZORO_BENCH_TMP or the system's temporary folder.
const std::string& BenchFolder();

// The test picture of the given size, painted once per size and kept for the whole run.
// Its depth is whatever the last caller set.
BitmapImage& CachedPicture(std::int32_t width, std::int32_t height);

// A BMP file of the test picture at `depth`, written by our own writer on first use. Empty
// when it could not be made.
std::string PictureFile(std::int32_t depth, std::int32_t width, std::int32_t height);

// Removes `path` with the clock stopped. Replacing an existing file makes the file system
// start writing it back at once, which a new file does not pay; the comparison with other
// tools writes new files, and so does every timed iteration here.
void RemoveUntimed(benchmark::State& state, const std::string& path);

// Registers a benchmark timed in real time and reported in milliseconds.
template <class... Arguments>
void RegisterTimed(const std::string& name, Arguments&&... arguments) {
    benchmark::RegisterBenchmark(name.c_str(), std::forward<Arguments>(arguments)...)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
}

// Each file registers its benchmarks through one of these.
void RegisterBmpBenchmarks();
void RegisterCropBenchmarks();

}  // namespace zoro
