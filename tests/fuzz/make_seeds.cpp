// Writes the seed corpora of the fuzz harnesses: files of every depth made by our own
// writer at odd and even widths, and variants of them that are cut short, have a longer
// info header, a 16-bit file without masks, or offsets that point elsewhere.
//
//   make_fuzz_seeds OUTPUT_FOLDER     (makes OUTPUT_FOLDER/<harness>/...)
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "image/bitmap_image.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
namespace fs = std::filesystem;

void Put32(Bytes& bytes, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        bytes[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

std::uint32_t Get32(const Bytes& bytes, std::size_t at) {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) {
        value = value << 8 | bytes[at + static_cast<std::size_t>(i)];
    }
    return value;
}

// A file of our writer: a picture whose colours vary with the position.
Bytes Written(std::int32_t depth, std::int32_t width, std::int32_t height,
              const fs::path& scratch) {
    zoro::BitmapImage image;
    image.ChangeDepth(depth);
    image.Resize(width, height);
    for (std::int32_t y = 0; y < height; ++y) {
        for (std::int32_t x = 0; x < width; ++x) {
            image.StorePixel(
                x, y,
                zoro::Pixel{static_cast<std::uint8_t>(x * 40), static_cast<std::uint8_t>(y * 70),
                            static_cast<std::uint8_t>(x * y * 13), static_cast<std::uint8_t>(x)});
        }
    }
    image.SaveToFile(scratch.string().c_str());
    std::ifstream in(scratch, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The same file with an info header of `infoSize` bytes: the extra bytes go after the
// first 40 and the offset moves with them.
Bytes WithLongerInfoHeader(Bytes bytes, std::uint32_t infoSize) {
    const std::size_t extra = infoSize - 40;
    bytes.insert(bytes.begin() + 54, extra, 0);
    Put32(bytes, 14, infoSize);
    Put32(bytes, 10, Get32(bytes, 10) + static_cast<std::uint32_t>(extra));
    return bytes;
}

class Corpus {
  public:
    explicit Corpus(fs::path folder) : folder_(std::move(folder)) {}

    void Add(const std::string& harness, const std::string& name, const Bytes& prefix,
             const Bytes& file) {
        fs::create_directories(folder_ / harness);
        std::ofstream out(folder_ / harness / name, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(prefix.data()),
                  static_cast<std::streamsize>(prefix.size()));
        out.write(reinterpret_cast<const char*>(file.data()),
                  static_cast<std::streamsize>(file.size()));
    }

    // One file as a seed of every harness that reads files, with parameters for those that
    // take them.
    void AddFile(const std::string& name, const Bytes& file) {
        Add("load", name, {}, file);
        Add("probes", name, {}, file);
        // width 5, height 3 from column 1 and row 1; and a rectangle reaching past the
        // top-left corner.
        Add("crop", name, {9, 7, 1, 0, 0, 0, 1, 0, 0, 0}, file);
        Add("crop", name + "-outside", {7, 6, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},
            file);
        Add("rescale", name + "-P150", {0, 150, 0}, file);
        Add("rescale", name + "-F7", {7, 7, 0}, file);
    }

  private:
    fs::path folder_;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
        return 2;
    }
    Corpus corpus{fs::path(argv[1])};
    const fs::path scratch = fs::path(argv[1]) / "scratch.bmp";
    fs::create_directories(argv[1]);

    for (std::int32_t depth : {1, 4, 8, 16, 24, 32}) {
        for (std::int32_t width : {1, 3, 8, 9, 33}) {
            const std::int32_t height = width == 1 ? 1 : 3;
            const std::string name = "d" + std::to_string(depth) + "-" + std::to_string(width) +
                                     "x" + std::to_string(height);
            corpus.AddFile(name, Written(depth, width, height, scratch));
        }
        const Bytes file = Written(depth, 5, 2, scratch);
        const std::string name = "d" + std::to_string(depth);
        for (std::size_t cut : {std::size_t{0}, std::size_t{1}, std::size_t{14}, std::size_t{53},
                                std::size_t{54}, std::size_t{56}, file.size() - 1}) {
            corpus.AddFile(name + "-cut" + std::to_string(cut),
                           Bytes(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(cut)));
        }
        for (std::uint32_t infoSize : {52u, 108u, 124u}) {
            corpus.AddFile(name + "-info" + std::to_string(infoSize),
                           WithLongerInfoHeader(file, infoSize));
        }
        Bytes offset = file;
        Put32(offset, 10, 57);
        corpus.AddFile(name + "-offset57", offset);
    }

    // A 16-bit file without masks (5-5-5) and a gap before its pixels.
    Bytes plain16 = Written(16, 3, 2, scratch);
    Put32(plain16, 30, 0);
    corpus.AddFile("d16-rgb", plain16);

    // Round trips: depth, width, height, table choice, then pixel bytes.
    const Bytes pixels = {0, 255, 17, 34, 200, 8, 7, 250, 128, 127, 1, 99, 64, 32, 16};
    for (std::uint8_t depth = 0; depth < 6; ++depth) {
        for (std::uint8_t table = 0; table < 2; ++table) {
            corpus.Add("round_trip", "d" + std::to_string(depth) + "-t" + std::to_string(table),
                       {depth, 6, 3, table}, pixels);
        }
    }
    fs::remove(scratch);
    return 0;
}
