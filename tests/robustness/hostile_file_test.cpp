// Broken and hostile BMP files: every cut of a set of files our writer made, header fields
// at their extremes, and the largest grids the library allows, each loaded under a cap on
// the address space so that an allocation the header alone decides fails the test.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <limits>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "image/bitmap_image.h"
#include "robustness/address_space_limit.h"
#include "support/bmp_bytes.h"
#include "support/temp_dir.h"
#include "support/test_images.h"

namespace zoro {
namespace {

constexpr std::int32_t kDepths[] = {1, 4, 8, 16, 24, 32};
constexpr std::int32_t kMinInt = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kMaxInt = std::numeric_limits<std::int32_t>::max();
// Enough for any small file: the stream's buffer, a row buffer and a small grid.
constexpr std::uint64_t kSmallBudget = 64u << 20;
// The largest grid (1 GiB), a row buffer as large, and room for the rest.
constexpr std::uint64_t kLargestBudget = (2560ull) << 20;

// Everything a load leaves that a caller can see.
struct Outcome {
    bool loaded = false;
    std::int32_t depth = 0, width = 0, height = 0;
    std::int32_t xPels = 0, yPels = 0;
    std::vector<Pixel> palette;
    std::vector<Pixel> pixels;  // top row first
};

Outcome Observe(const BitmapImage& image, bool loaded) {
    Outcome o{loaded,
              image.Depth(),
              image.Width(),
              image.Height(),
              image.XPelsPerMeter(),
              image.YPelsPerMeter(),
              {},
              {}};
    for (std::int32_t j = 0; image.HasPalette() && j < image.PaletteSize(); ++j) {
        o.palette.push_back(image.PaletteEntry(j));
    }
    for (std::int32_t y = 0; y < image.Height(); ++y) {
        for (std::int32_t x = 0; x < image.Width(); ++x) {
            o.pixels.push_back(image.PixelValue(x, y));
        }
    }
    return o;
}

std::string Show(const Pixel& p) {
    std::ostringstream out;
    out << "{" << int{p.blue} << "," << int{p.green} << "," << int{p.red} << "," << int{p.alpha}
        << "}";
    return out.str();
}

// Names the first difference, so that a broken rule gives one message, not thousands.
::testing::AssertionResult Same(const Outcome& expected, const Outcome& actual) {
    if (expected.loaded != actual.loaded || expected.depth != actual.depth ||
        expected.width != actual.width || expected.height != actual.height) {
        return ::testing::AssertionFailure()
               << "expected " << expected.loaded << ", " << expected.width << "x" << expected.height
               << " at " << expected.depth << " bits; got " << actual.loaded << ", " << actual.width
               << "x" << actual.height << " at " << actual.depth;
    }
    if (expected.xPels != actual.xPels || expected.yPels != actual.yPels) {
        return ::testing::AssertionFailure()
               << "resolution " << actual.xPels << "," << actual.yPels << " instead of "
               << expected.xPels << "," << expected.yPels;
    }
    if (expected.palette.size() != actual.palette.size()) {
        return ::testing::AssertionFailure() << actual.palette.size() << " palette entries";
    }
    for (std::size_t j = 0; j < expected.palette.size(); ++j) {
        if (expected.palette[j] != actual.palette[j]) {
            return ::testing::AssertionFailure()
                   << "palette entry " << j << " is " << Show(actual.palette[j]) << ", expected "
                   << Show(expected.palette[j]);
        }
    }
    for (std::size_t i = 0; i < expected.pixels.size(); ++i) {
        if (expected.pixels[i] != actual.pixels[i]) {
            const auto width = static_cast<std::size_t>(expected.width);
            return ::testing::AssertionFailure()
                   << "pixel " << i % width << "," << i / width << " is " << Show(actual.pixels[i])
                   << ", expected " << Show(expected.pixels[i]);
        }
    }
    return ::testing::AssertionSuccess();
}

// The image before every load has a resolution of its own, so that a reset that keeps it
// can be told from one that takes the file's.
constexpr std::int32_t kOwnX = 1234, kOwnY = 5678;

// Both resets: 1 x 1 at depth 1 with the standard table and one white pixel.
Outcome Reset(std::int32_t xPels, std::int32_t yPels) {
    return Outcome{false, 1, 1, 1, xPels, yPels, {Pixel{0, 0, 0, 0}, kWhite}, {kWhite}};
}

std::int64_t StoredRow(std::int32_t width, std::int32_t depth) {
    return (std::int64_t{width} * depth + 31) / 32 * 4;
}

class HostileFile : public ::testing::Test {
  protected:
    ~HostileFile() override { std::remove(input_.c_str()); }

    Outcome Load(const Bytes& bytes, std::uint64_t budget = kSmallBudget) {
        WriteBytes(input_, bytes);
        auto image = std::make_unique<BitmapImage>();
        image->SetPelsPerMeter(kOwnX, kOwnY);
        bool loaded;
        {
            AddressSpaceLimit limit(budget);
            loaded = image->LoadFromFile(input_.c_str());
        }
        return Observe(*image, loaded);
    }

    // A file our writer made of a varied picture.
    Bytes Written(BitmapImage& picture, std::int32_t depth, std::int32_t width,
                  std::int32_t height) {
        Paint(picture, depth, width, height);
        picture.SetPelsPerMeter(2835, 2834);
        // A table unlike the standard one, so that an entry cut in two shows.
        for (std::int32_t j = 0; picture.HasPalette() && j < picture.PaletteSize(); ++j) {
            picture.SetPaletteEntry(
                j, Pixel{static_cast<std::uint8_t>(j * 5 + 1), static_cast<std::uint8_t>(200 - j),
                         static_cast<std::uint8_t>(j * 3 + 7), static_cast<std::uint8_t>(j + 9)});
        }
        const std::string path = dir_.File("written.bmp");
        EXPECT_TRUE(picture.SaveToFile(path.c_str()));
        return ReadBytes(path);
    }

    TempDir dir_;
    // Tens of thousands of small files pass through here; memory-backed storage, where
    // there is some, keeps that fast.
    const std::string input_ = ::access("/dev/shm", W_OK) == 0
                                   ? "/dev/shm/zoro-hostile-" + std::to_string(::getpid()) + ".bmp"
                                   : dir_.File("in.bmp");
};

// ---- Cuts ----

// What the reader's rules give for the file our writer made of `picture`, cut after `cut`
// bytes. The reads go strictly in sequence, so every byte of a destination that lies
// before the cut holds the file's byte and every other byte keeps what it held.
Outcome AfterCut(const Bytes& file, std::size_t cut, const BitmapImage& picture) {
    if (cut < 54) {
        return Reset(kOwnX, kOwnY);
    }
    auto overlay = [&](void* destination, std::size_t offset, std::size_t count) {
        auto* bytes = static_cast<std::uint8_t*>(destination);
        for (std::size_t i = 0; i < count && offset + i < cut; ++i) {
            bytes[i] = file[offset + i];
        }
    };
    const std::int32_t depth = picture.Depth(), width = picture.Width(), height = picture.Height();
    Outcome o{true,
              depth,
              width,
              height,
              static_cast<std::int32_t>(Get32(file, 38)),
              static_cast<std::int32_t>(Get32(file, 42)),
              {},
              {}};

    BitmapImage standard;
    standard.ChangeDepth(depth);
    for (std::int32_t j = 0; depth <= 8 && j < standard.PaletteSize(); ++j) {
        Pixel entry = standard.PaletteEntry(j);
        overlay(&entry, 54 + 4 * static_cast<std::size_t>(j), 4);
        o.palette.push_back(entry);
    }

    const std::size_t offBits = Get32(file, 10);
    const auto rowSize = static_cast<std::size_t>(StoredRow(width, depth));
    o.pixels.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), kWhite);
    auto at = [&](std::int32_t x, std::int32_t y) -> Pixel& {
        return o.pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                        static_cast<std::size_t>(x)];
    };

    if (depth == 16) {
        std::uint16_t masks[3] = {0x7C00, 0x03E0, 0x001F};
        int shifts[3] = {0, 0, 0};
        for (int i = 0; i < 3; ++i) {
            overlay(&masks[i], 54 + 4 * static_cast<std::size_t>(i), 2);
            for (unsigned rest = masks[i]; rest > 31; rest >>= 1) {
                ++shifts[i];
            }
        }
        auto level = [&](std::uint16_t word, int i) {
            return static_cast<std::uint8_t>(((word & masks[i]) >> shifts[i]) * 8);
        };
        // Once the file has ended, every pixel repeats the last word read; a word cut in
        // two takes the one byte that arrived as its low byte.
        std::uint16_t word = 0;
        for (std::int32_t r = 0; r < height; ++r) {
            for (std::int32_t x = 0; x < width; ++x) {
                const std::size_t offset = offBits + static_cast<std::size_t>(r) * rowSize +
                                           2 * static_cast<std::size_t>(x);
                overlay(&word, offset, 2);
                at(x, height - 1 - r) = Pixel{level(word, 2), level(word, 1), level(word, 0), 0};
            }
        }
        return o;
    }
    for (std::int32_t r = 0; r < height; ++r) {
        if (offBits + (static_cast<std::size_t>(r) + 1) * rowSize > cut) {
            break;  // this row and every one above it stay white
        }
        const std::int32_t y = height - 1 - r;
        for (std::int32_t x = 0; x < width; ++x) {
            const Pixel stored = picture.PixelValue(x, y);
            switch (depth) {
                case 32:
                    at(x, y) = stored;
                    break;
                case 24:
                    at(x, y) = Pixel{stored.blue, stored.green, stored.red, 0};
                    break;
                default:
                    at(x, y) = o.palette[picture.NearestPaletteIndex(stored)];
                    break;
            }
        }
    }
    return o;
}

TEST_F(HostileFile, EveryCutGivesWhatTheReadersRulesGive) {
    for (std::int32_t depth : kDepths) {
        SCOPED_TRACE(std::to_string(depth) + " bits");
        // An odd width, so that every depth has row padding.
        BitmapImage picture;
        const Bytes file = Written(picture, depth, 13, 5);
        const std::size_t offBits = Get32(file, 10);
        const auto rowSize = static_cast<std::size_t>(StoredRow(13, depth));
        // Every byte through the headers, the colour table or masks and the first row, then
        // a stride through the rest.
        std::vector<std::size_t> cuts;
        for (std::size_t cut = 0; cut <= offBits + rowSize; ++cut) {
            cuts.push_back(cut);
        }
        for (std::size_t cut = offBits + rowSize + 1; cut < file.size(); cut += 3) {
            cuts.push_back(cut);
        }
        cuts.push_back(file.size() - 1);
        cuts.push_back(file.size());
        for (std::size_t cut : cuts) {
            const Bytes part(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(cut));
            ASSERT_TRUE(Same(AfterCut(file, cut, picture), Load(part))) << "cut at " << cut;
        }
    }
}

// ---- Header fields at their extremes ----

// Byte `offset` of the pattern that fills every file below after its headers.
std::uint8_t PatternByte(std::size_t offset) {
    return static_cast<std::uint8_t>(offset * 7 + 3);
}

// Headers, then the pattern up to `length` bytes.
Bytes Patterned(const BmpHeaders& headers, std::size_t length) {
    Bytes file = headers.ToBytes();
    while (file.size() < length) {
        file.push_back(PatternByte(file.size()));
    }
    return file;
}

// How a file with patterned contents loads: its colour table of `entries` entries from
// `tableAt` (the rest white), its rows from `dataAt` as far as the file has them.
struct Placement {
    std::size_t tableAt;
    std::int32_t entries;
    std::size_t dataAt;
};

Outcome Placed(const Bytes& file, const BmpHeaders& headers, Placement placement) {
    const std::int32_t depth = headers.bitCount, width = headers.width, height = headers.height;
    Outcome o{true, depth, width, height, headers.xPelsPerMeter, headers.yPelsPerMeter, {}, {}};
    for (std::int32_t j = 0; depth == 8 && j < 256; ++j) {
        const std::size_t at = placement.tableAt + 4 * static_cast<std::size_t>(j);
        o.palette.push_back(j < placement.entries
                                ? Pixel{file[at], file[at + 1], file[at + 2], file[at + 3]}
                                : kWhite);
    }
    o.pixels.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), kWhite);
    const auto rowSize = static_cast<std::size_t>(StoredRow(width, depth));
    for (std::int32_t r = 0; r < height; ++r) {
        const std::size_t row = placement.dataAt + static_cast<std::size_t>(r) * rowSize;
        if (row + rowSize > file.size()) {
            break;
        }
        for (std::int32_t x = 0; x < width; ++x) {
            const auto xs = static_cast<std::size_t>(x);
            Pixel& pixel = o.pixels[static_cast<std::size_t>(height - 1 - r) *
                                        static_cast<std::size_t>(width) +
                                    xs];
            pixel = depth == 8 ? o.palette[file[row + xs]]
                               : Pixel{file[row + 3 * xs], file[row + 3 * xs + 1],
                                       file[row + 3 * xs + 2], 0};
        }
    }
    return o;
}

BmpHeaders Headers(std::uint16_t bitCount, std::int32_t width, std::int32_t height) {
    BmpHeaders h;
    h.bitCount = bitCount;
    h.width = width;
    h.height = height;
    h.offBits = bitCount == 8 ? 1078 : 54;
    return h;
}

TEST_F(HostileFile, ExtremeSizesAreTurnedAwayUnlessTheGridCanBeHeld) {
    const std::int32_t sides[] = {0, 1, -1, kMaxInt, kMinInt};
    for (std::int32_t width : sides) {
        for (std::int32_t height : sides) {
            SCOPED_TRACE(std::to_string(width) + " x " + std::to_string(height));
            const BmpHeaders headers = Headers(24, width, height);
            const Bytes file = Patterned(headers, 54 + 8);
            const Outcome expected = width == 1 && height == 1
                                         ? Placed(file, headers, {0, 0, 54})
                                         : Reset(headers.xPelsPerMeter, headers.yPelsPerMeter);
            EXPECT_TRUE(Same(expected, Load(file)));
        }
    }
}

TEST_F(HostileFile, OffsetsAndHeaderSizesAtTheirExtremesPlaceTheTableAndThePixels) {
    struct Case {
        const char* name;
        std::uint16_t bitCount;
        std::uint32_t offBits;
        std::uint32_t infoSize;
        Placement placement;
    } cases[] = {
        {"24 bits, offset 0", 24, 0, 40, {0, 0, 54}},
        {"24 bits, offset 53", 24, 53, 40, {0, 0, 54}},
        {"24 bits, unaligned offset 55", 24, 55, 40, {0, 0, 55}},
        {"24 bits, unaligned offset 57", 24, 57, 40, {0, 0, 57}},
        {"24 bits, offset past the end", 24, 5000, 40, {0, 0, 5000}},
        {"24 bits, offset 2^31 - 1", 24, 0x7FFFFFFF, 40, {0, 0, 0x7FFFFFFF}},
        {"24 bits, offset 2^31 (negative)", 24, 0x80000000, 40, {0, 0, 54}},
        {"24 bits, offset 2^32 - 1 (negative)", 24, 0xFFFFFFFF, 40, {0, 0, 54}},
        {"8 bits, offset 0: no table", 8, 0, 40, {54, 0, 54}},
        {"8 bits, unaligned offset 55: no table", 8, 55, 40, {54, 0, 54}},
        {"8 bits, unaligned offset 1081", 8, 1081, 40, {54, 256, 1081}},
        {"8 bits, offset 2^31 - 1: a full table, then the end",
         8,
         0x7FFFFFFF,
         40,
         {54, 256, 0x7FFFFFFF}},
        {"8 bits, offset 2^32 - 1: no table", 8, 0xFFFFFFFF, 40, {54, 0, 54}},
        {"24 bits, header size 0", 24, 54, 0, {0, 0, 54}},
        {"24 bits, header size 2^32 - 1", 24, 54, 0xFFFFFFFF, {0, 0, 54}},
        {"8 bits, header size 0", 8, 1078, 0, {54, 256, 1078}},
        {"8 bits, header size 12", 8, 1078, 12, {54, 256, 1078}},
        {"8 bits, header size 41", 8, 1078, 41, {55, 255, 1075}},
        {"8 bits, header size 2^31: no table", 8, 1078, 0x80000000, {54, 0, 54}},
        {"8 bits, header size 2^32 - 1: no table", 8, 1078, 0xFFFFFFFF, {54, 0, 54}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BmpHeaders headers = Headers(c.bitCount, 3, 2);
        headers.offBits = c.offBits;
        headers.infoSize = c.infoSize;
        const Bytes file = Patterned(headers, 1200);
        EXPECT_TRUE(Same(Placed(file, headers, c.placement), Load(file)));
    }
}

TEST_F(HostileFile, EveryBitCountAndCompressionGetsTheReadersVerdict) {
    // Every bit count without compression; the first few and the extremes with the others.
    std::vector<std::uint32_t> someBitCounts;
    for (std::uint32_t bits = 0; bits <= 40; ++bits) {
        someBitCounts.push_back(bits);
    }
    someBitCounts.insert(someBitCounts.end(), {0x7FFF, 0x8000, 0xFFFE, 0xFFFF});
    std::vector<std::uint32_t> everyBitCount;
    for (std::uint32_t bits = 0; bits <= 0xFFFF; ++bits) {
        everyBitCount.push_back(bits);
    }
    const std::uint32_t compressions[] = {0, 1, 2, 3, 4, 5, 6, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF};
    for (std::uint32_t compression : compressions) {
        for (std::uint32_t bits : compression == 0 ? everyBitCount : someBitCounts) {
            BmpHeaders headers = Headers(static_cast<std::uint16_t>(bits), 2, 2);
            headers.compression = compression;
            headers.offBits = 54;
            const bool depth =
                bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
            const bool accepted = depth && (compression == 0 || (compression == 3 && bits == 16));
            const Outcome got = Load(Patterned(headers, 70));
            ASSERT_EQ(got.loaded, accepted) << bits << " bits, compression " << compression;
            if (accepted) {
                ASSERT_EQ(got.depth, static_cast<std::int32_t>(bits));
                ASSERT_EQ(got.width * got.height, 4);
            } else {
                ASSERT_TRUE(Same(Reset(headers.xPelsPerMeter, headers.yPelsPerMeter), got))
                    << bits << " bits, compression " << compression;
            }
        }
    }
}

TEST_F(HostileFile, FieldsTheReaderDoesNotUseChangeNothing) {
    const BmpHeaders plain = Headers(24, 3, 2);
    const Outcome expected = Placed(Patterned(plain, 200), plain, {0, 0, 54});
    for (std::uint32_t value : {0u, 1u, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu}) {
        SCOPED_TRACE(value);
        BmpHeaders headers = plain;
        headers.fileSize = value;
        headers.reserved1 = headers.reserved2 = static_cast<std::uint16_t>(value);
        headers.planes = static_cast<std::uint16_t>(value);
        headers.sizeImage = headers.clrUsed = headers.clrImportant = value;
        EXPECT_TRUE(Same(expected, Load(Patterned(headers, 200))));
    }
}

// ---- The largest grids ----

// Files that declare the largest grids and hold no pixels: each loads as a white grid of
// its size, and memory stays within one grid and one row buffer.
TEST_F(HostileFile, TheLargestGridsLoadWithinTheirMemory) {
    struct Case {
        std::uint16_t bitCount;
        std::uint32_t compression;
        std::int32_t width, height;
    } cases[] = {
        {32, 0, 1 << 28, 1},  // the largest row buffer too
        {16, 3, 1, 1 << 28},  // a row per pixel
        {1, 0, 1 << 14, 1 << 14},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height) + " at " +
                     std::to_string(c.bitCount));
        BmpHeaders headers = Headers(c.bitCount, c.width, c.height);
        headers.compression = c.compression;
        headers.offBits = 54;
        const std::string path = dir_.File("large.bmp");
        WriteBytes(path, headers.ToBytes());
        BitmapImage image;
        bool loaded;
        {
            AddressSpaceLimit limit(kLargestBudget);
            loaded = image.LoadFromFile(path.c_str());
        }
        ASSERT_TRUE(loaded);
        EXPECT_EQ(image.Width(), c.width);
        EXPECT_EQ(image.Height(), c.height);
        // A 16-bit file that ends before its first word repeats the word 0: black.
        const Pixel fill = c.bitCount == 16 ? Pixel{0, 0, 0, 0} : kWhite;
        EXPECT_EQ(image.PixelValue(0, 0), fill);
        EXPECT_EQ(image.PixelValue(c.width - 1, c.height - 1), fill);
    }
}

TEST_F(HostileFile, OnePixelBeyondTheLargestGridIsTurnedAway) {
    for (const auto& [width, height] :
         {std::pair{(1 << 28) + 1, 1}, std::pair{1 << 14, (1 << 14) + 1}, std::pair{3, 1 << 27}}) {
        SCOPED_TRACE(std::to_string(width) + " x " + std::to_string(height));
        const BmpHeaders headers = Headers(1, width, height);
        EXPECT_TRUE(
            Same(Reset(headers.xPelsPerMeter, headers.yPelsPerMeter), Load(headers.ToBytes())));
    }
}

}  // namespace
}  // namespace zoro
