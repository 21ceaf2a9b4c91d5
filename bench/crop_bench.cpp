// The crop behind the export, in process: the centre quarter of the picture (at the full
// size the comparison's 4000 x 3000 at left 2000, top 1500) cut out of sources of three
// depths. Pixels per second count the source's pixels, which every crop loads in full.
#include <string>

#include "bench/bench_files.h"
#include "export/crop_bitmap.h"

namespace zoro {
namespace {

std::u16string Wide(const std::string& text) {
    return std::u16string(text.begin(), text.end());
}

void Crop(benchmark::State& state, std::int32_t depth, PictureSize size) {
    const std::string file = PictureFile(depth, size.width, size.height);
    if (file.empty()) {
        state.SkipWithError("the picture file could not be written");
        return;
    }
    const std::u16string source = Wide(file);
    const std::string output = BenchFolder() + "/cropped.bmp";
    const std::u16string destination = Wide(output);
    for (auto _ : state) {
        RemoveUntimed(state, output);
        CropBitmapFile(source.c_str(), destination.c_str(), size.width / 2, size.height / 2,
                       size.width / 4, size.height / 4);
    }
    CountPixels(state, size);
}

}  // namespace

void RegisterCropBenchmarks() {
    for (PictureSize size : kSizes) {
        for (std::int32_t depth : {8, 16, 24}) {
            RegisterTimed("Crop/" + std::to_string(depth) + "bit/" + SizeName(size), Crop, depth,
                          size);
        }
    }
}

}  // namespace zoro
