// Loading and saving BMP files at every depth, in pixels per second, on pictures of three
// sizes; and loading plus saving the full-size 24-bit picture beside the hardware floor of
// moving the same bytes without decoding them.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <string>
#include <vector>

#include "bench/bench_files.h"
#include "image/bitmap_image.h"

namespace zoro {
namespace {

constexpr std::int32_t kDepths[] = {1, 4, 8, 16, 24, 32};

void Load(benchmark::State& state, std::int32_t depth, PictureSize size) {
    const std::string file = PictureFile(depth, size.width, size.height);
    if (file.empty()) {
        state.SkipWithError("the picture file could not be written");
        return;
    }
    for (auto _ : state) {
        BitmapImage image;
        if (!image.LoadFromFile(file.c_str())) {
            state.SkipWithError("LoadFromFile failed");
            break;
        }
        benchmark::DoNotOptimize(image.PixelValue(0, 0));
    }
    CountPixels(state, size);
}

void Save(benchmark::State& state, std::int32_t depth, PictureSize size) {
    BitmapImage& picture = CachedPicture(size.width, size.height);
    picture.ChangeDepth(depth);
    const std::string file = BenchFolder() + "/saved.bmp";
    for (auto _ : state) {
        RemoveUntimed(state, file);
        if (!picture.SaveToFile(file.c_str())) {
            state.SkipWithError("SaveToFile failed");
            break;
        }
    }
    CountPixels(state, size);
}

void LoadAndSave24(benchmark::State& state) {
    const std::string source = PictureFile(24, kFullSize.width, kFullSize.height);
    const std::string destination = BenchFolder() + "/copy.bmp";
    for (auto _ : state) {
        RemoveUntimed(state, destination);
        BitmapImage image;
        if (!image.LoadFromFile(source.c_str()) || !image.SaveToFile(destination.c_str())) {
            state.SkipWithError("LoadFromFile or SaveToFile failed");
            break;
        }
    }
    CountPixels(state, kFullSize);
}

// What no decoder can beat: reading the file through a small buffer, as cat into /dev/null
// does, and writing a new file of the same length.
void Floor24(benchmark::State& state) {
    const std::string source = PictureFile(24, kFullSize.width, kFullSize.height);
    const std::string destination = BenchFolder() + "/floor.bmp";
    std::vector<char> buffer(1 << 20);
    for (auto _ : state) {
        RemoveUntimed(state, destination);
        std::size_t length = 0;
        const int in = ::open(source.c_str(), O_RDONLY);
        for (ssize_t got; (got = ::read(in, buffer.data(), buffer.size())) > 0;) {
            length += static_cast<std::size_t>(got);
        }
        ::close(in);
        const int out = ::open(destination.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        while (length > 0) {
            const std::size_t chunk = length < buffer.size() ? length : buffer.size();
            const ssize_t put = ::write(out, buffer.data(), chunk);
            if (put <= 0) {
                break;
            }
            length -= static_cast<std::size_t>(put);
        }
        ::close(out);
    }
    CountPixels(state, kFullSize);
}

}  // namespace

void RegisterBmpBenchmarks() {
    for (PictureSize size : kSizes) {
        for (std::int32_t depth : kDepths) {
            const std::string suffix = "/" + std::to_string(depth) + "bit/" + SizeName(size);
            RegisterTimed("Load" + suffix, Load, depth, size);
            RegisterTimed("Save" + suffix, Save, depth, size);
        }
    }
    const std::string full = "/24bit/" + SizeName(kFullSize);
    RegisterTimed("LoadAndSave" + full, LoadAndSave24);
    RegisterTimed("Floor" + full, Floor24);
}

}  // namespace zoro
