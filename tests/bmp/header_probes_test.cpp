#include "bmp/header_probes.h"

#include <gtest/gtest.h>

#include <string>

#include "support/bmp_bytes.h"
#include "support/temp_dir.h"

namespace zoro {
namespace {

// The probes compared field by field through the bytes of their records.
Bytes FileFields(const FileHeader& file) {
    return FieldsOf(file, InfoHeader()).ToBytes();
}
Bytes InfoFields(const InfoHeader& info) {
    return FieldsOf(FileHeader(), info).ToBytes();
}

class HeaderProbes : public ::testing::Test {
  protected:
    std::string Make(const Bytes& bytes) {
        const std::string path = dir_.File("probe.bmp");
        WriteBytes(path, bytes);
        return path;
    }
    TempDir dir_;
};

TEST_F(HeaderProbes, AFileThatCannotBeOpenedGivesTypeZeroAndTheDefaultInfoHeader) {
    for (const std::string& path : {dir_.File("missing.bmp"), dir_.Path().string()}) {
        FileHeader expected;
        expected.bfType = 0;
        EXPECT_EQ(FileFields(ReadFileHeader(path.c_str())), FileFields(expected));
        EXPECT_EQ(InfoFields(ReadInfoHeader(path.c_str())), InfoFields(InfoHeader()));
        EXPECT_EQ(FileColorDepth(path.c_str()), 0);
    }
    EXPECT_EQ(ReadFileHeader(nullptr).bfType, 0);
}

TEST_F(HeaderProbes, AnEmptyFileGivesTheDefaultRecords) {
    const std::string path = Make({});
    EXPECT_EQ(FileFields(ReadFileHeader(path.c_str())), FileFields(FileHeader()));
    EXPECT_EQ(ReadFileHeader(path.c_str()).bfType, 19778);
    EXPECT_EQ(InfoFields(ReadInfoHeader(path.c_str())), InfoFields(InfoHeader()));
}

TEST_F(HeaderProbes, FieldsAreReturnedAsStoredWithoutValidation) {
    BmpHeaders stored;
    stored.type = 0x5A50;  // "PZ"
    stored.fileSize = 123456;
    stored.reserved1 = 1;
    stored.reserved2 = 2;
    stored.offBits = 9999;
    stored.infoSize = 99;
    stored.width = -3;
    stored.height = 0;
    stored.planes = 7;
    stored.bitCount = 2;
    stored.compression = 42;
    stored.clrUsed = 300;
    const std::string path = Make(stored.ToBytes());
    const FileHeader file = ReadFileHeader(path.c_str());
    const InfoHeader info = ReadInfoHeader(path.c_str());
    EXPECT_EQ(FieldsOf(file, info).ToBytes(), stored.ToBytes());
    EXPECT_EQ(FileColorDepth(path.c_str()), 2);
}

TEST_F(HeaderProbes, TheInfoHeaderIsAlwaysTheFortyBytesAfterTheFileHeader) {
    // A 12-byte core header: the fields after biSize come from whatever follows it.
    BmpHeaders stored;
    stored.infoSize = 12;
    Bytes bytes = stored.ToBytes();
    bytes[28] = 0x20;  // where a 40-byte header keeps biBitCount
    const InfoHeader info = ReadInfoHeader(Make(bytes).c_str());
    EXPECT_EQ(info.biSize, 12u);
    EXPECT_EQ(info.biBitCount, 0x20);
}

TEST_F(HeaderProbes, FieldsBeyondTheEndOfTheFileKeepTheirStartingValues) {
    BmpHeaders stored;
    stored.fileSize = 70;
    stored.offBits = 66;
    stored.width = 5;
    stored.height = 6;
    stored.bitCount = 16;
    const Bytes whole = stored.ToBytes();

    // Exactly the file header.
    std::string path = Make(Bytes(whole.begin(), whole.begin() + 14));
    FileHeader expectedFile;
    expectedFile.bfSize = 70;
    expectedFile.bfOffBits = 66;
    EXPECT_EQ(FileFields(ReadFileHeader(path.c_str())), FileFields(expectedFile));
    EXPECT_EQ(InfoFields(ReadInfoHeader(path.c_str())), InfoFields(InfoHeader()));

    // Cut after biHeight: biPlanes and the rest keep the defaults.
    path = Make(Bytes(whole.begin(), whole.begin() + 26));
    InfoHeader expected;
    expected.biSize = 40;
    expected.biWidth = 5;
    expected.biHeight = 6;
    EXPECT_EQ(InfoFields(ReadInfoHeader(path.c_str())), InfoFields(expected));
    EXPECT_EQ(FileColorDepth(path.c_str()), 0);
}

}  // namespace
}  // namespace zoro
