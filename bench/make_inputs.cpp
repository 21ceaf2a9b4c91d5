// Writes the test picture as the comparison's inputs: FOLDER/picture-24.bmp, and the same
// picture at 16 bits (5-6-5) and at 8 bits (the standard colour table).
//
//   zoro_make_inputs FOLDER [WIDTH HEIGHT]      (8000 x 6000 when no size is given)
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/test_picture.h"
#include "image/bitmap_image.h"

namespace {

bool ParseSize(const char* text, std::int32_t& value) {
    char* end = nullptr;
    const long parsed = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || parsed < 1 || parsed > 100000) {
        return false;
    }
    value = static_cast<std::int32_t>(parsed);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    std::int32_t width = 8000;
    std::int32_t height = 6000;
    if ((argc != 2 && argc != 4) ||
        (argc == 4 && (!ParseSize(argv[2], width) || !ParseSize(argv[3], height)))) {
        std::fprintf(stderr, "usage: zoro_make_inputs FOLDER [WIDTH HEIGHT]\n");
        return 2;
    }
    zoro::BitmapImage picture;
    if (!zoro::PaintTestPicture(picture, width, height)) {
        std::fprintf(stderr, "zoro_make_inputs: cannot hold a %d x %d picture\n", width, height);
        return 1;
    }
    // Highest depth first: lowering the depth leaves the pixels alone.
    for (std::int32_t depth : {24, 16, 8}) {
        const std::string path =
            std::string(argv[1]) + "/picture-" + std::to_string(depth) + ".bmp";
        if (!picture.ChangeDepth(depth) || !picture.SaveToFile(path.c_str())) {
            std::fprintf(stderr, "zoro_make_inputs: cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
