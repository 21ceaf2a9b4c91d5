// The module as a host application sees it: loaded with dlopen, BMPCrop found with dlsym,
// and every outcome read back from the file it wrote.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <filesystem>
#include <string>
#include <vector>

#include "export/bmp_crop.h"
#include "export/bmp_fixtures.h"
#include "support/temp_dir.h"

namespace zoro {
namespace {

using CropFunction = decltype(&BMPCrop);

class ModuleTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        module_ = ::dlopen(ZORO_MODULE_PATH, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(module_, nullptr) << ::dlerror();
        crop_ = reinterpret_cast<CropFunction>(::dlsym(module_, "BMPCrop"));
        ASSERT_NE(crop_, nullptr) << ::dlerror();
    }
    static void TearDownTestSuite() {
        if (module_ != nullptr) {
            ::dlclose(module_);
        }
    }

    // Calls the export with paths given as UTF-8 (an empty string passes null).
    void Crop(const std::string& source, const std::string& destination, std::int32_t width,
              std::int32_t height, std::int32_t left, std::int32_t top) {
        const std::u16string wideSource = std::filesystem::path(source).u16string();
        const std::u16string wideDestination = std::filesystem::path(destination).u16string();
        EXPECT_EQ(crop_(source.empty() ? nullptr : wideSource.c_str(),
                        destination.empty() ? nullptr : wideDestination.c_str(), width, height,
                        left, top),
                  999);
    }

    Bmp24File Output() const { return ParseBmp24(ReadBytes(output_)); }

    static void* module_;
    static CropFunction crop_;
    TempDir dir_;
    const std::string source_ = dir_.File("source.bmp");
    const std::string output_ = dir_.File("output.bmp");
};

void* ModuleTest::module_ = nullptr;
CropFunction ModuleTest::crop_ = nullptr;

// Source pixel (x, y) of the test images: red and green say where it came from.
Pixel Marked(std::int32_t x, std::int32_t y) {
    return Pixel{7, static_cast<std::uint8_t>(100 + y), static_cast<std::uint8_t>(10 + x), 0};
}

std::vector<std::vector<Pixel>> MarkedRows(std::int32_t width, std::int32_t height) {
    std::vector<std::vector<Pixel>> rows(static_cast<std::size_t>(height));
    for (std::int32_t y = 0; y < height; ++y) {
        for (std::int32_t x = 0; x < width; ++x) {
            rows[static_cast<std::size_t>(y)].push_back(Marked(x, y));
        }
    }
    return rows;
}

const Pixel kOpaqueWhite{255, 255, 255, 0};

std::vector<std::vector<Pixel>> Uniform(std::size_t width, std::size_t height, Pixel pixel) {
    return std::vector<std::vector<Pixel>>(height, std::vector<Pixel>(width, pixel));
}

struct GeometryCase {
    const char* name;
    std::int32_t width, height, left, top;
    std::vector<std::int32_t> columns;  // the source column of each output column
    std::vector<std::int32_t> rows;     // the source row of each output row
};

TEST_F(ModuleTest, EachOutputPixelRepeatsTheNearestSourcePixel) {
    const GeometryCase cases[] = {
        {"inside", 2, 2, 1, 1, {1, 2}, {1, 2}},
        {"whole picture", 4, 3, 0, 0, {0, 1, 2, 3}, {0, 1, 2}},
        {"reaching left", 4, 1, -2, 0, {0, 0, 0, 1}, {0}},
        {"reaching above", 1, 3, 3, -1, {3}, {0, 0, 1}},
        {"larger than the source", 6, 5, 0, 0, {0, 1, 2, 3, 3, 3}, {0, 1, 2, 2, 2}},
        {"beyond both sides", 8, 1, -2, 1, {0, 0, 0, 1, 2, 3, 3, 3}, {1}},
        {"wholly outside, above left", 2, 2, -50, -9, {0, 0}, {0, 0}},
        {"left near the largest integer", 3, 1, INT32_MAX - 1, 0, {3, 3, 3}, {0}},
        {"top at the largest integer", 1, 2, 0, INT32_MAX, {0}, {2, 2}},
        {"left at the smallest integer", 2, 1, INT32_MIN, 1, {0, 0}, {1}},
    };
    WriteBytes(source_, BuildBmp24(MarkedRows(4, 3)));
    for (const GeometryCase& c : cases) {
        SCOPED_TRACE(c.name);
        Crop(source_, output_, c.width, c.height, c.left, c.top);
        std::vector<std::vector<Pixel>> expected;
        for (std::int32_t row : c.rows) {
            expected.emplace_back();
            for (std::int32_t column : c.columns) {
                expected.back().push_back(Marked(column, row));
            }
        }
        const Bmp24File output = Output();
        ASSERT_TRUE(output.valid);
        EXPECT_EQ(output.rows, expected);
    }
}

TEST_F(ModuleTest, OutputRecordsTheDefaultResolutionWhateverTheSource) {
    WriteBytes(source_, BuildBmp24(MarkedRows(2, 2), 2835));
    Crop(source_, output_, 2, 2, 0, 0);
    const Bmp24File output = Output();
    ASSERT_TRUE(output.valid);
    EXPECT_EQ(output.xPelsPerMeter, 3780);
    EXPECT_EQ(output.yPelsPerMeter, 3780);
}

TEST_F(ModuleTest, UnreadableSourcesGiveAWhiteRectangleOfTheRequestedSize) {
    BmpLayout runLength;
    runLength.depth = 8;
    runLength.compression = 1;
    runLength.palette.assign(256, Pixel{});
    runLength.rows = {{0, 0}};
    BmpLayout topDown;
    topDown.height = -1;
    topDown.rows = {{1, 2, 3}};
    Bytes cutShort = BuildBmp24(MarkedRows(1, 1));
    cutShort.resize(30);
    BmpLayout twoBits;
    twoBits.depth = 2;
    twoBits.rows = {{0}};
    const struct {
        const char* name;
        Bytes contents;  // written to the source unless the case is about a missing file
        bool write;
    } cases[] = {
        {"no such file", {}, false},
        {"empty file", {}, true},
        {"not a BMP file", {'G', 'I', 'F', '8', '9', 'a', 0, 0, 0, 0, 0, 0, 0, 0}, true},
        {"headers cut short", cutShort, true},
        {"RLE8 compression", BuildBmp(runLength), true},
        {"stored top row first", BuildBmp(topDown), true},
        {"2 bits per pixel", BuildBmp(twoBits), true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove(source_);
        if (c.write) {
            WriteBytes(source_, c.contents);
        }
        Crop(source_, output_, 3, 2, 1, 1);
        const Bmp24File output = Output();
        ASSERT_TRUE(output.valid);
        EXPECT_EQ(output.rows, Uniform(3, 2, kOpaqueWhite));
    }
}

TEST_F(ModuleTest, NullSourceOrAFolderCropsLikeAMissingFile) {
    for (const std::string& source : {std::string(), dir_.Path().string()}) {
        SCOPED_TRACE(source);
        Crop(source, output_, 3, 2, 0, 0);
        const Bmp24File output = Output();
        ASSERT_TRUE(output.valid);
        EXPECT_EQ(output.rows, Uniform(3, 2, kOpaqueWhite));
    }
}

TEST_F(ModuleTest, RowsMissingFromATruncatedSourceAreWhite) {
    Bytes bytes = BuildBmp24(MarkedRows(2, 3));
    bytes.resize(54 + 8 + 3);  // the bottom row and part of the next
    WriteBytes(source_, bytes);
    Crop(source_, output_, 2, 3, 0, 0);
    const Bmp24File output = Output();
    ASSERT_TRUE(output.valid);
    EXPECT_EQ(output.rows, (std::vector<std::vector<Pixel>>{
                               {kOpaqueWhite, kOpaqueWhite},
                               {kOpaqueWhite, kOpaqueWhite},
                               {Marked(0, 2), Marked(1, 2)},
                           }));
}

TEST_F(ModuleTest, EveryReadableDepthGivesA24BitOutputOfTheDecodedColours) {
    const Pixel a{30, 20, 10, 0};
    const Pixel b{50, 100, 200, 0};
    auto indexed = [&](std::uint16_t depth, std::size_t entries, std::size_t indexA,
                       std::size_t indexB, Bytes row) {
        BmpLayout layout;
        layout.depth = depth;
        layout.width = 2;
        layout.palette.assign(entries, Pixel{9, 9, 9, 0});
        layout.palette[indexA] = a;
        layout.palette[indexB] = b;
        layout.rows = {row};
        return layout;
    };
    BmpLayout rgb555;
    rgb555.depth = 16;
    rgb555.width = 2;
    rgb555.rows = {{0x00, 0x7C, 0x1F, 0x00}};  // pure red, pure blue
    BmpLayout rgb565 = rgb555;
    rgb565.compression = 3;
    rgb565.masks = {0xF800, 0x07E0, 0x001F};
    rgb565.rows = {{0xE0, 0x07, 0x00, 0xF8}};  // pure green, pure red
    BmpLayout withAlpha;
    withAlpha.depth = 32;
    withAlpha.width = 2;
    withAlpha.rows = {{30, 20, 10, 99, 50, 100, 200, 255}};

    const Pixel red{0, 0, 248, 0};
    const struct {
        const char* name;
        BmpLayout layout;
        std::vector<Pixel> expected;
    } cases[] = {
        {"1 bit", indexed(1, 2, 0, 1, {0x40}), {a, b}},
        {"4 bits", indexed(4, 16, 3, 12, {0x3C}), {a, b}},
        {"8 bits", indexed(8, 256, 200, 5, {200, 5}), {a, b}},
        {"16 bits, 5-5-5", rgb555, {red, Pixel{248, 0, 0, 0}}},
        {"16 bits, 5-6-5 masks", rgb565, {Pixel{0, 248, 0, 0}, red}},
        {"32 bits", withAlpha, {a, b}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WriteBytes(source_, BuildBmp(c.layout));
        Crop(source_, output_, 2, 1, 0, 0);
        const Bmp24File output = Output();
        ASSERT_TRUE(output.valid);
        EXPECT_EQ(output.rows, std::vector<std::vector<Pixel>>{c.expected});
    }
}

TEST_F(ModuleTest, AWidthOrHeightBelowOneGivesA1x1File) {
    WriteBytes(source_, BuildBmp24(MarkedRows(4, 3)));
    const std::pair<std::int32_t, std::int32_t> sizes[] = {{0, 3}, {3, -1}, {INT32_MIN, 1}};
    for (const auto& [width, height] : sizes) {
        SCOPED_TRACE(std::to_string(width) + " x " + std::to_string(height));
        std::filesystem::remove(output_);
        Crop(source_, output_, width, height, 1, 1);
        const Bmp24File output = Output();
        ASSERT_TRUE(output.valid);
        EXPECT_EQ(output.width, 1);
        EXPECT_EQ(output.height, 1);
        EXPECT_EQ(ReadBytes(output_).size(), 58u);
    }
}

TEST_F(ModuleTest, ARectangleBeyondThePixelLimitWritesNothing) {
    WriteBytes(source_, BuildBmp24(MarkedRows(4, 3)));
    const Bytes existing = {'k', 'e', 'e', 'p'};
    WriteBytes(output_, existing);
    const std::pair<std::int32_t, std::int32_t> sizes[] = {
        {65536, 4097}, {INT32_MAX, INT32_MAX}, {1, INT32_MAX}};
    for (const auto& [width, height] : sizes) {
        SCOPED_TRACE(std::to_string(width) + " x " + std::to_string(height));
        Crop(source_, output_, width, height, 0, 0);
        EXPECT_EQ(ReadBytes(output_), existing);
    }
    std::filesystem::remove(output_);
    Crop(source_, output_, 65536, 4097, 0, 0);
    EXPECT_FALSE(std::filesystem::exists(output_));
}

TEST_F(ModuleTest, NoFileIsWrittenForANullOrUncreatableDestination) {
    WriteBytes(source_, BuildBmp24(MarkedRows(2, 2)));
    Crop(source_, "", 2, 2, 0, 0);
    Crop(source_, dir_.File("missing/output.bmp"), 2, 2, 0, 0);
    const std::string folder = dir_.File("folder");
    std::filesystem::create_directory(folder);
    Crop(source_, folder, 2, 2, 0, 0);
    EXPECT_TRUE(std::filesystem::is_directory(folder));
    EXPECT_TRUE(std::filesystem::is_empty(folder));
    std::vector<std::string> names = Listing(dir_.Path());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"folder", "source.bmp"}));
}

TEST_F(ModuleTest, AnExistingDestinationIsReplaced) {
    WriteBytes(source_, BuildBmp24(MarkedRows(2, 2)));
    WriteBytes(output_, Bytes(500, 0xAB));
    Crop(source_, output_, 1, 1, 1, 0);
    const Bmp24File output = Output();
    ASSERT_TRUE(output.valid);
    EXPECT_EQ(output.rows, Uniform(1, 1, Marked(1, 0)));
}

// Names made mostly of characters that take three bytes in UTF-8 but one 16-bit unit, so
// that a buffer of two bytes per unit cannot hold them; the source also holds a surrogate
// pair (four bytes).
TEST_F(ModuleTest, PathsOutsideAsciiArriveWhole) {
    std::string manyHan;
    for (int i = 0; i < 70; ++i) {
        manyHan += "\u6e90";
    }
    const std::string source = dir_.File("\u00e9t\u00e9-" + manyHan + "-\U0001F600.bmp");
    const std::string destination = dir_.File("\u51fa\u529b-" + manyHan + ".bmp");
    WriteBytes(source, BuildBmp24(MarkedRows(2, 1)));
    Crop(source, destination, 2, 1, 0, 0);
    const Bmp24File output = ParseBmp24(ReadBytes(destination));
    ASSERT_TRUE(output.valid);
    EXPECT_EQ(output.rows, MarkedRows(2, 1));
}

}  // namespace
}  // namespace zoro
