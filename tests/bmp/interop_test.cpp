// Our files read by other image programs, and theirs read by us. The peers run as separate
// processes and hand their decoding back as binary PPM files.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "image/bitmap_image.h"
#include "support/bmp_bytes.h"
#include "support/temp_dir.h"
#include "support/test_images.h"

namespace zoro {
namespace {

bool RunQuietly(const std::string& command) {
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

std::string Quoted(const std::string& text) {
    return "'" + text + "'";
}

const char* const kConvert = "convert-im6.q16";

bool HaveImageMagick() {
    static const bool found = RunQuietly(std::string(kConvert) + " -version");
    return found;
}

// The first Python that can import Pillow, or empty.
const std::string& PillowPython() {
    static const std::string found = [] {
        for (const char* python : {"python3", "/usr/bin/python3"}) {
            if (RunQuietly(std::string(python) + " -c 'import PIL.Image'")) {
                return std::string(python);
            }
        }
        return std::string();
    }();
    return found;
}

// Pixels as red, green, blue bytes, top row first.
struct Picture {
    std::int32_t width = 0;
    std::int32_t height = 0;
    Bytes rgb;

    const std::uint8_t* At(std::int32_t x, std::int32_t y) const {
        return &rgb[3 * (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                         static_cast<std::size_t>(x))];
    }
};

// A binary PPM of maximum value 255.
Picture ReadPpm(const std::string& path) {
    const Bytes bytes = ReadBytes(path);
    Picture picture;
    std::string text(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(
                                                        std::min<std::size_t>(bytes.size(), 64)));
    std::istringstream header(text);
    std::string magic;
    int maximum = 0;
    header >> magic >> picture.width >> picture.height >> maximum;
    if (magic != "P6" || maximum != 255 || !header) {
        ADD_FAILURE() << path << " is not an 8-bit binary PPM";
        return Picture{};
    }
    const auto start = static_cast<std::size_t>(header.tellg()) + 1;
    const std::size_t size =
        3 * static_cast<std::size_t>(picture.width) * static_cast<std::size_t>(picture.height);
    if (bytes.size() < start + size) {
        ADD_FAILURE() << path << " is too short";
        return Picture{};
    }
    picture.rgb.assign(bytes.begin() + static_cast<std::ptrdiff_t>(start),
                       bytes.begin() + static_cast<std::ptrdiff_t>(start + size));
    return picture;
}

void WritePpm(const std::string& path, const BitmapImage& image) {
    std::ostringstream out;
    out << "P6\n" << image.Width() << " " << image.Height() << "\n255\n";
    std::string data = out.str();
    for (std::int32_t y = 0; y < image.Height(); ++y) {
        for (std::int32_t x = 0; x < image.Width(); ++x) {
            const Pixel p = image.PixelValue(x, y);
            data.push_back(static_cast<char>(p.red));
            data.push_back(static_cast<char>(p.green));
            data.push_back(static_cast<char>(p.blue));
        }
    }
    WriteBytes(path, Bytes(data.begin(), data.end()));
}

enum class Peer { kImageMagick, kPillow };

const char* Name(Peer peer) {
    return peer == Peer::kImageMagick ? "ImageMagick" : "Pillow";
}

class Interop : public ::testing::TestWithParam<Peer> {
  protected:
    void SetUp() override {
        if (GetParam() == Peer::kImageMagick && !HaveImageMagick()) {
            GTEST_SKIP() << "ImageMagick (" << kConvert
                         << ") is not installed; skipping the interoperability test";
        }
        if (GetParam() == Peer::kPillow && PillowPython().empty()) {
            GTEST_SKIP() << "Python with Pillow (python3-pil) is not installed; skipping the "
                            "interoperability test";
        }
    }

    // Has the peer decode each BMP file to a PPM file beside it.
    void Decode(const std::vector<std::string>& bmps) {
        std::string command;
        if (GetParam() == Peer::kImageMagick) {
            for (const std::string& bmp : bmps) {
                command += (command.empty() ? "" : " && ") + std::string(kConvert) + " " +
                           Quoted(bmp) + " -depth 8 " + Quoted("ppm:" + bmp + ".ppm");
            }
        } else {
            command = PillowPython() +
                      " -c 'import sys; from PIL import Image\n"
                      "for name in sys.argv[1:]: Image.open(name).convert(\"RGB\").save(name + "
                      "\".ppm\", \"PPM\")'";
            for (const std::string& bmp : bmps) {
                command += " " + Quoted(bmp);
            }
        }
        ASSERT_TRUE(RunQuietly(command)) << Name(GetParam()) << " could not decode: " << command;
    }

    TempDir dir_;
};

// The 5- or 6-bit value behind a channel that a peer scaled up to 0..255.
int Unscaled(std::uint8_t level, int bits) {
    const int top = (1 << bits) - 1;
    return (level * top + 127) / 255;
}

TEST_P(Interop, ThePeerReadsEveryDepthAndPaddingWeWrite) {
    std::vector<std::string> files;
    std::vector<std::pair<std::int32_t, std::int32_t>> shapes;  // depth, width
    for (std::int32_t depth : {1, 4, 8, 16, 24, 32}) {
        for (std::int32_t width = 1; width <= 5; ++width) {
            BitmapImage image;
            Paint(image, depth, width, 3);
            files.push_back(
                dir_.File("ours-" + std::to_string(depth) + "-" + std::to_string(width) + ".bmp"));
            ASSERT_TRUE(image.SaveToFile(files.back().c_str()));
            shapes.emplace_back(depth, width);
        }
    }
    Decode(files);
    for (std::size_t i = 0; i < files.size(); ++i) {
        const auto [depth, width] = shapes[i];
        SCOPED_TRACE(testing::Message() << depth << " bits, width " << width);
        BitmapImage image;
        Paint(image, depth, width, 3);
        const Picture decoded = ReadPpm(files[i] + ".ppm");
        ASSERT_EQ(decoded.width, width);
        ASSERT_EQ(decoded.height, 3);
        for (std::int32_t y = 0; y < 3; ++y) {
            for (std::int32_t x = 0; x < width; ++x) {
                const std::uint8_t* got = decoded.At(x, y);
                Pixel meant = image.PixelValue(x, y);
                if (depth <= 8) {
                    meant = image.PaletteEntry(image.NearestPaletteIndex(meant));
                }
                if (depth == 16) {
                    EXPECT_EQ(Unscaled(got[0], 5), meant.red >> 3) << x << "," << y;
                    EXPECT_EQ(Unscaled(got[1], 6), meant.green >> 2) << x << "," << y;
                    EXPECT_EQ(Unscaled(got[2], 5), meant.blue >> 3) << x << "," << y;
                } else {
                    EXPECT_EQ((Bytes{got[0], got[1], got[2]}),
                              (Bytes{meant.red, meant.green, meant.blue}))
                        << x << "," << y;
                }
            }
        }
    }
}

// A file a peer writes, and what its header must say so that the case covers what it
// names.
struct PeerFile {
    const char* name;
    Peer peer;
    std::string options;  // ImageMagick: options and the output format; Pillow: the mode
    std::uint16_t bitCount;
    std::uint32_t infoSize;
    std::uint32_t compression;
    bool accepted;
    int greenBits = 5;  // at 16 bits
};

const std::vector<PeerFile>& PeerFiles() {
    static const std::vector<PeerFile> files = {
        {"24 bits, 40-byte header", Peer::kImageMagick, "BMP3:", 24, 40, 0, true},
        {"24 bits, 108-byte header", Peer::kImageMagick, "-intent undefined BMP:", 24, 108, 0,
         true},
        {"24 bits, 124-byte header", Peer::kImageMagick, "BMP:", 24, 124, 0, true},
        {"8 bits, 40-byte header", Peer::kImageMagick, "-type palette -compress none BMP3:", 8, 40,
         0, true},
        {"8 bits, 108-byte header", Peer::kImageMagick,
         "-type palette -compress none -intent undefined BMP:", 8, 108, 0, true},
        {"8 bits, 124-byte header", Peer::kImageMagick, "-type palette -compress none BMP:", 8, 124,
         0, true},
        {"4 bits, 40-byte header", Peer::kImageMagick, "-colors 16 -type palette BMP3:", 4, 40, 0,
         true},
        {"4 bits, 124-byte header", Peer::kImageMagick, "-colors 16 -type palette BMP:", 4, 124, 0,
         true},
        {"1 bit, 40-byte header", Peer::kImageMagick, "-type bilevel BMP3:", 1, 40, 0, true},
        {"1 bit, 108-byte header", Peer::kImageMagick, "-type bilevel BMP:", 1, 108, 0, true},
        {"16 bits 5-6-5, 108-byte header", Peer::kImageMagick,
         "-define bmp:subtype=RGB565 -intent undefined BMP:", 16, 108, 3, true, 6},
        {"16 bits 5-6-5, 124-byte header", Peer::kImageMagick,
         "-define bmp:subtype=RGB565 BMP:", 16, 124, 3, true, 6},
        {"16 bits 5-5-5, 124-byte header", Peer::kImageMagick,
         "-define bmp:subtype=RGB555 BMP:", 16, 124, 3, true},
        {"32 bits with bit fields", Peer::kImageMagick, "-alpha set BMP:", 32, 124, 3, false},
        {"run-length 8 bits", Peer::kImageMagick, "-type palette -compress RLE BMP3:", 8, 40, 1,
         false},
        {"1 bit", Peer::kPillow, "1", 1, 40, 0, true},
        {"8 bits grey", Peer::kPillow, "L", 8, 40, 0, true},
        {"8 bits palette", Peer::kPillow, "P", 8, 40, 0, true},
        {"24 bits", Peer::kPillow, "RGB", 24, 40, 0, true},
        {"32 bits", Peer::kPillow, "RGBA", 32, 40, 0, true},
    };
    return files;
}

TEST_P(Interop, FilesThePeerWritesLoadWithThePeersColoursOrAreTurnedAway) {
    // 7 x 5 distinct colours: odd rows need padding at every depth.
    BitmapImage source;
    Paint(source, 24, 7, 5);
    const std::string sourcePath = dir_.File("source.ppm");
    WritePpm(sourcePath, source);

    std::vector<const PeerFile*> cases;
    std::vector<std::string> files;
    std::string pillow;  // one Python run writes every Pillow file
    for (const PeerFile& file : PeerFiles()) {
        if (file.peer != GetParam()) {
            continue;
        }
        cases.push_back(&file);
        files.push_back(dir_.File("peer-" + std::to_string(files.size()) + ".bmp"));
        if (file.peer == Peer::kImageMagick) {
            const std::string format = file.options.substr(file.options.rfind(' ') + 1);
            const std::string options = file.options.substr(0, file.options.size() - format.size());
            ASSERT_TRUE(RunQuietly(std::string(kConvert) + " " + Quoted(sourcePath) + " " +
                                   options + Quoted(format + files.back())))
                << file.name;
        } else {
            pillow += " " + Quoted(file.options) + " " + Quoted(files.back());
        }
    }
    if (!pillow.empty()) {
        ASSERT_TRUE(RunQuietly(PillowPython() +
                               " -c 'import sys; from PIL import Image\n"
                               "source = Image.open(sys.argv[1])\n"
                               "for mode, name in zip(sys.argv[2::2], sys.argv[3::2]): "
                               "source.convert(mode).save(name, \"BMP\")' " +
                               Quoted(sourcePath) + pillow));
    }
    Decode(files);

    for (std::size_t i = 0; i < cases.size(); ++i) {
        const PeerFile& file = *cases[i];
        SCOPED_TRACE(file.name);
        const Bytes bytes = ReadBytes(files[i]);
        ASSERT_GE(bytes.size(), 54u);
        ASSERT_EQ(Get16(bytes, 28), file.bitCount);
        ASSERT_EQ(Get32(bytes, 14), file.infoSize);
        ASSERT_EQ(Get32(bytes, 30), file.compression);

        BitmapImage image;
        const Picture decoded = ReadPpm(files[i] + ".ppm");
        if (!file.accepted) {
            EXPECT_FALSE(image.LoadFromFile(files[i].c_str()));
            EXPECT_EQ(image.Depth(), 1);
            EXPECT_EQ(image.Width(), 1);
            EXPECT_EQ(image.PixelValue(0, 0), kWhite);
            EXPECT_EQ(static_cast<std::uint32_t>(image.XPelsPerMeter()), Get32(bytes, 38));
            continue;
        }
        ASSERT_TRUE(image.LoadFromFile(files[i].c_str()));
        EXPECT_EQ(image.Depth(), file.bitCount);
        ASSERT_EQ(image.Width(), decoded.width);
        ASSERT_EQ(image.Height(), decoded.height);
        for (std::int32_t y = 0; y < image.Height(); ++y) {
            for (std::int32_t x = 0; x < image.Width(); ++x) {
                const std::uint8_t* want = decoded.At(x, y);
                const Pixel got = image.PixelValue(x, y);
                if (file.bitCount == 16) {
                    EXPECT_EQ(got.red, Unscaled(want[0], 5) * 8) << x << "," << y;
                    EXPECT_EQ(got.green,
                              (Unscaled(want[1], file.greenBits) >> (file.greenBits - 5)) * 8)
                        << x << "," << y;
                    EXPECT_EQ(got.blue, Unscaled(want[2], 5) * 8) << x << "," << y;
                } else {
                    EXPECT_EQ((Bytes{got.red, got.green, got.blue}),
                              (Bytes{want[0], want[1], want[2]}))
                        << x << "," << y;
                }
            }
        }
    }
}

// Rows reversed and the height negated: the same picture, stored top row first.
Bytes TopDown(const Bytes& bottomUp) {
    const std::uint32_t offBits = Get32(bottomUp, 10);
    const auto height = static_cast<std::int32_t>(Get32(bottomUp, 22));
    const std::size_t stride = (bottomUp.size() - offBits) / static_cast<std::size_t>(height);
    Bytes out(bottomUp.begin(), bottomUp.begin() + offBits);
    for (std::int32_t row = height - 1; row >= 0; --row) {
        const auto start = bottomUp.begin() + static_cast<std::ptrdiff_t>(
                                                  offBits + stride * static_cast<std::size_t>(row));
        out.insert(out.end(), start, start + static_cast<std::ptrdiff_t>(stride));
    }
    const auto negated = static_cast<std::uint32_t>(-height);
    for (int i = 0; i < 4; ++i) {
        out[22 + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(negated >> (8 * i));
    }
    return out;
}

TEST_P(Interop, AFileStoredTopRowFirstIsReadByThePeerAndTurnedAwayByUs) {
    BitmapImage image;
    Paint(image, 24, 5, 3);
    image.SetPelsPerMeter(1111, 2222);
    const std::string bottomUp = dir_.File("bottom-up.bmp");
    ASSERT_TRUE(image.SaveToFile(bottomUp.c_str()));
    const std::string topDown = dir_.File("top-down.bmp");
    WriteBytes(topDown, TopDown(ReadBytes(bottomUp)));
    Decode({bottomUp, topDown});
    EXPECT_EQ(ReadPpm(topDown + ".ppm").rgb, ReadPpm(bottomUp + ".ppm").rgb);

    BitmapImage loaded;
    EXPECT_FALSE(loaded.LoadFromFile(topDown.c_str()));
    EXPECT_EQ(loaded.Depth(), 1);
    EXPECT_EQ(loaded.Width(), 1);
    EXPECT_EQ(loaded.Height(), 1);
    EXPECT_EQ(loaded.XPelsPerMeter(), 1111);
    EXPECT_EQ(loaded.YPelsPerMeter(), 2222);
}

INSTANTIATE_TEST_SUITE_P(Peers, Interop, ::testing::Values(Peer::kImageMagick, Peer::kPillow),
                         [](const ::testing::TestParamInfo<Peer>& param) {
                             return std::string(Name(param.param));
                         });

}  // namespace
}  // namespace zoro
