#include "bench/bench_files.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <utility>
#include <vector>

#include "bench/test_picture.h"

namespace zoro {

namespace {

struct Folder {
    std::filesystem::path path;
    Folder() {
        const char* root = std::getenv("ZORO_BENCH_TMP");
        std::filesystem::path base =
            root != nullptr ? std::filesystem::path(root) : std::filesystem::temp_directory_path();
        std::filesystem::create_directories(base);
        std::string pattern = (base / "zoro-bench-XXXXXX").string();
        std::vector<char> name(pattern.begin(), pattern.end());
        name.push_back('\0');
        if (::mkdtemp(name.data()) != nullptr) {
            path = name.data();
        }
    }
    ~Folder() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
};

using Size = std::pair<std::int32_t, std::int32_t>;

}  // namespace

std::string SizeName(PictureSize size) {
    return std::to_string(size.width) + "x" + std::to_string(size.height);
}

void CountPixels(benchmark::State& state, PictureSize size) {
    state.counters["pixels/s"] = benchmark::Counter(static_cast<double>(size.width) * size.height,
                                                    benchmark::Counter::kIsIterationInvariantRate);
}

void RemoveUntimed(benchmark::State& state, const std::string& path) {
    state.PauseTiming();
    std::remove(path.c_str());
    state.ResumeTiming();
}

const std::string& BenchFolder() {
    static const Folder folder;
    static const std::string text = folder.path.string();
    return text;
}

BitmapImage& CachedPicture(std::int32_t width, std::int32_t height) {
    static std::map<Size, std::unique_ptr<BitmapImage>> pictures;
    std::unique_ptr<BitmapImage>& picture = pictures[{width, height}];
    if (!picture) {
        picture = std::make_unique<BitmapImage>();
        PaintTestPicture(*picture, width, height);
    }
    return *picture;
}

std::string PictureFile(std::int32_t depth, std::int32_t width, std::int32_t height) {
    static std::map<std::pair<std::int32_t, Size>, std::string> files;
    std::string& file = files[{depth, {width, height}}];
    if (file.empty()) {
        const std::string name = BenchFolder() + "/picture-" + std::to_string(width) + "x" +
                                 std::to_string(height) + "-" + std::to_string(depth) + ".bmp";
        BitmapImage& picture = CachedPicture(width, height);
        if (picture.ChangeDepth(depth) && picture.SaveToFile(name.c_str())) {
            file = name;
        }
    }
    return file;
}

}  // namespace zoro
