#include "bmp/header_records.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "support/bmp_bytes.h"
#include "support/temp_dir.h"

namespace zoro {
namespace {

TEST(HeaderRecords, ConstructorsSetTheDefaultsAndZeroTheRest) {
    const FileHeader file;
    EXPECT_EQ(file.bfType, 19778);
    EXPECT_EQ(file.bfSize, 0u);
    EXPECT_EQ(file.bfReserved1, 0);
    EXPECT_EQ(file.bfReserved2, 0);
    EXPECT_EQ(file.bfOffBits, 0u);

    const InfoHeader info;
    EXPECT_EQ(info.biSize, 0u);
    EXPECT_EQ(info.biWidth, 0);
    EXPECT_EQ(info.biHeight, 0);
    EXPECT_EQ(info.biPlanes, 1);
    EXPECT_EQ(info.biBitCount, 0);
    EXPECT_EQ(info.biCompression, BI_RGB);
    EXPECT_EQ(info.biSizeImage, 0u);
    EXPECT_EQ(info.biXPelsPerMeter, 3780);
    EXPECT_EQ(info.biYPelsPerMeter, 3780);
    EXPECT_EQ(info.biClrUsed, 0u);
    EXPECT_EQ(info.biClrImportant, 0u);

    EXPECT_EQ(BI_RGB, 0u);
    EXPECT_EQ(BI_RLE8, 1u);
    EXPECT_EQ(BI_RLE4, 2u);
    EXPECT_EQ(BI_BITFIELDS, 3u);
    EXPECT_TRUE(TypeSizesValid());
}

TEST(HeaderRecords, SwapBytesReversesTheBytes) {
    EXPECT_EQ(SwapBytes16(0x1234), 0x3412);
    EXPECT_EQ(SwapBytes16(0x00FF), 0xFF00);
    EXPECT_EQ(SwapBytes32(0x12345678u), 0x78563412u);
    EXPECT_EQ(SwapBytes32(0xFF000001u), 0x010000FFu);
}

TEST(HeaderRecords, SwapByteOrderSwapsEveryFieldAndTwiceRestoresIt) {
    FileHeader file;
    file.bfSize = 0x01020304;
    file.bfReserved1 = 0x0506;
    file.bfReserved2 = 0x0708;
    file.bfOffBits = 0x090A0B0C;
    file.SwapByteOrder();
    EXPECT_EQ(file.bfType, 0x424D);
    EXPECT_EQ(file.bfSize, 0x04030201u);
    EXPECT_EQ(file.bfReserved1, 0x0605);
    EXPECT_EQ(file.bfReserved2, 0x0807);
    EXPECT_EQ(file.bfOffBits, 0x0C0B0A09u);
    file.SwapByteOrder();
    EXPECT_EQ(file.bfType, 19778);
    EXPECT_EQ(file.bfSize, 0x01020304u);
    EXPECT_EQ(file.bfOffBits, 0x090A0B0Cu);

    InfoHeader info;
    info.biSize = 40;
    info.biWidth = -2;
    info.biHeight = 0x11223344;
    info.biBitCount = 24;
    info.biSizeImage = 0xAABBCCDD;
    info.biClrImportant = 7;
    info.SwapByteOrder();
    EXPECT_EQ(info.biSize, 0x28000000u);
    EXPECT_EQ(info.biWidth, static_cast<std::int32_t>(0xFEFFFFFFu));
    EXPECT_EQ(info.biHeight, 0x44332211);
    EXPECT_EQ(info.biPlanes, 0x0100);
    EXPECT_EQ(info.biBitCount, 0x1800);
    EXPECT_EQ(info.biXPelsPerMeter, static_cast<std::int32_t>(0xC40E0000u));
    EXPECT_EQ(info.biClrImportant, 0x07000000u);
    info.SwapByteOrder();
    EXPECT_EQ(info.biSize, 40u);
    EXPECT_EQ(info.biWidth, -2);
    EXPECT_EQ(info.biHeight, 0x11223344);
    EXPECT_EQ(info.biPlanes, 1);
    EXPECT_EQ(info.biBitCount, 24);
    EXPECT_EQ(info.biCompression, 0u);
    EXPECT_EQ(info.biSizeImage, 0xAABBCCDDu);
    EXPECT_EQ(info.biXPelsPerMeter, 3780);
    EXPECT_EQ(info.biYPelsPerMeter, 3780);
    EXPECT_EQ(info.biClrUsed, 0u);
    EXPECT_EQ(info.biClrImportant, 7u);
}

class StreamFixture : public ::testing::Test {
  protected:
    Stream* Open(const Bytes& bytes) {
        const std::string path = dir_.File("in.bin");
        WriteBytes(path, bytes);
        stream_ = OpenStream(path.c_str(), "rb");
        return stream_;
    }
    void TearDown() override { CloseStream(stream_); }

    TempDir dir_;
    Stream* stream_ = nullptr;
};

using ReadCheckedTest = StreamFixture;

TEST_F(ReadCheckedTest, TakingExactlyTheLastBytesSucceedsAndTheNextReadFails) {
    Stream* s = Open({1, 2, 3, 4});
    std::uint8_t buffer[4] = {};
    EXPECT_TRUE(ReadChecked(buffer, 2, 2, s));
    EXPECT_EQ(buffer[3], 4);
    EXPECT_FALSE(ReadChecked(buffer, 1, 1, s));
}

TEST_F(ReadCheckedTest, AShortReadFailsAndEveryLaterReadLeavesTheBufferAlone) {
    Stream* s = Open({1, 2, 3, 4, 5});
    std::uint8_t buffer[8] = {};
    EXPECT_TRUE(ReadChecked(buffer, 4, 1, s));
    // One byte is left for an item of two: the read comes up short.
    std::uint16_t word = 0xAAAA;
    EXPECT_FALSE(ReadChecked(&word, 2, 1, s));
    std::memset(buffer, 0x5A, sizeof buffer);
    for (auto [size, count] : {std::pair<std::size_t, std::size_t>{1, 1}, {2, 3}, {8, 1}}) {
        EXPECT_FALSE(ReadChecked(buffer, size, count, s));
        for (std::uint8_t byte : buffer) {
            EXPECT_EQ(byte, 0x5A);
        }
    }
}

TEST_F(ReadCheckedTest, SomeWholeItemsAreNotEnough) {
    Stream* s = Open({1, 2, 3});
    std::uint8_t buffer[4] = {};
    EXPECT_FALSE(ReadChecked(buffer, 2, 2, s));
    EXPECT_EQ(buffer[0], 1);
    EXPECT_EQ(buffer[1], 2);
}

using HeaderTransferTest = StreamFixture;

TEST_F(HeaderTransferTest, HeadersAreWrittenFieldByFieldLittleEndianAndReadBack) {
    FileHeader file;
    file.bfSize = 0x01020304;
    file.bfReserved1 = 0x0506;
    file.bfReserved2 = 0x0708;
    file.bfOffBits = 0x090A0B0C;
    InfoHeader info;
    info.biSize = 40;
    info.biWidth = 0x11121314;
    info.biHeight = -5;
    info.biPlanes = 0x2122;
    info.biBitCount = 0x2324;
    info.biCompression = 0x31323334;
    info.biSizeImage = 0x41424344;
    info.biXPelsPerMeter = 0x51525354;
    info.biYPelsPerMeter = 0x61626364;
    info.biClrUsed = 0x71727374;
    info.biClrImportant = 0x7A7B7C7D;

    const std::string path = dir_.File("headers.bin");
    Stream* out = OpenStream(path.c_str(), "wb");
    ASSERT_NE(out, nullptr);
    EXPECT_TRUE(WriteFileHeader(file, out));
    EXPECT_TRUE(WriteInfoHeader(info, out));
    ASSERT_TRUE(CloseStream(out));

    const Bytes bytes = ReadBytes(path);
    EXPECT_EQ(bytes, FieldsOf(file, info).ToBytes());

    Stream* in = Open(bytes);
    FileHeader fileBack;
    fileBack.bfType = 0;
    InfoHeader infoBack;
    EXPECT_TRUE(ReadChecked(&fileBack.bfType, 2, 1, in));
    EXPECT_TRUE(ReadFileHeaderAfterType(fileBack, in));
    EXPECT_TRUE(ReadInfoHeaderFields(infoBack, in));
    EXPECT_EQ(FieldsOf(fileBack, infoBack).ToBytes(), bytes);
}

TEST_F(HeaderTransferTest, FieldsAfterTheEndOfTheFileKeepTheirDefaults) {
    // biSize, biWidth, biHeight and biPlanes are whole; the file ends inside biBitCount.
    Stream* s = Open({40, 0, 0, 0, 7, 0, 0, 0, 9, 0, 0, 0, 1, 0, 24});
    InfoHeader info;
    EXPECT_FALSE(ReadInfoHeaderFields(info, s));
    InfoHeader expected;
    expected.biSize = 40;
    expected.biWidth = 7;
    expected.biHeight = 9;
    expected.biBitCount = info.biBitCount;  // cut through: whatever the short read left
    EXPECT_EQ(FieldsOf(FileHeader(), info).ToBytes(), FieldsOf(FileHeader(), expected).ToBytes());
}

}  // namespace
}  // namespace zoro
