#include "export/platform.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "support/temp_dir.h"

namespace zoro {
namespace {

class StreamTest : public ::testing::Test {
  protected:
    std::string Make(const std::string& name, const std::vector<std::uint8_t>& bytes) {
        std::string path = dir_.File(name);
        WriteBytes(path, bytes);
        return path;
    }
    TempDir dir_;
};

TEST_F(StreamTest, OpenRefusesMissingFilesFoldersNullPathsAndUnknownModes) {
    std::string file = Make("a.bin", {1, 2, 3});
    EXPECT_EQ(OpenStream(dir_.File("missing").c_str(), "rb"), nullptr);
    EXPECT_EQ(OpenStream(dir_.Path().c_str(), "rb"), nullptr);
    EXPECT_EQ(OpenStream(dir_.Path().c_str(), "wb"), nullptr);
    EXPECT_EQ(OpenStream(nullptr, "rb"), nullptr);
    EXPECT_EQ(OpenStream(file.c_str(), "r+"), nullptr);
    EXPECT_EQ(OpenStream(dir_.File("no/such/folder/x").c_str(), "wb"), nullptr);
}

TEST_F(StreamTest, EndOfFileIsSetByTheFirstShortRead) {
    std::string path = Make("a.bin", {1, 2, 3, 4, 5});
    Stream* s = OpenStream(path.c_str(), "rb");
    ASSERT_NE(s, nullptr);
    std::uint8_t buffer[8] = {};
    EXPECT_EQ(ReadItems(buffer, 2, 2, s), 2u);
    EXPECT_FALSE(EndOfStream(s));
    // One byte is left: an item of two comes up short, and consumes it.
    EXPECT_EQ(ReadItems(buffer, 2, 1, s), 0u);
    EXPECT_EQ(buffer[0], 5);
    EXPECT_TRUE(EndOfStream(s));
    EXPECT_EQ(ReadItems(buffer, 1, 1, s), 0u);
    EXPECT_TRUE(CloseStream(s));
}

TEST_F(StreamTest, ReadingExactlyTheLastBytesDoesNotSetEndOfFile) {
    std::string path = Make("a.bin", {1, 2, 3, 4});
    Stream* s = OpenStream(path.c_str(), "rb");
    ASSERT_NE(s, nullptr);
    std::uint8_t buffer[4];
    EXPECT_EQ(ReadItems(buffer, 4, 1, s), 1u);
    EXPECT_FALSE(EndOfStream(s));
    EXPECT_EQ(ReadItems(buffer, 1, 1, s), 0u);
    EXPECT_TRUE(EndOfStream(s));
    CloseStream(s);
}

TEST_F(StreamTest, LargeAndSmallReadsInterleaveInOrder) {
    std::vector<std::uint8_t> bytes(300000);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
    }
    std::string path = Make("big.bin", bytes);
    Stream* s = OpenStream(path.c_str(), "rb");
    ASSERT_NE(s, nullptr);
    std::vector<std::uint8_t> got(bytes.size());
    std::size_t at = 0;
    for (std::size_t chunk : {1u, 3u, 70000u, 2u, 100000u, 5u}) {
        ASSERT_EQ(ReadItems(got.data() + at, 1, chunk, s), chunk);
        at += chunk;
    }
    EXPECT_EQ(ReadItems(got.data() + at, 1, bytes.size() - at, s), bytes.size() - at);
    EXPECT_EQ(got, bytes);
    CloseStream(s);
}

TEST_F(StreamTest, WriteReplacesTheFileOnlyOnClose) {
    std::string path = Make("out.bin", {9, 9, 9});
    Stream* s = OpenStream(path.c_str(), "wb");
    ASSERT_NE(s, nullptr);
    const std::uint8_t data[] = {1, 2, 3, 4, 5};
    EXPECT_EQ(WriteItems(data, 1, 5, s), 5u);
    EXPECT_EQ(ReadBytes(path), (std::vector<std::uint8_t>{9, 9, 9}));
    EXPECT_TRUE(CloseStream(s));
    EXPECT_EQ(ReadBytes(path), (std::vector<std::uint8_t>{1, 2, 3, 4, 5}));
    EXPECT_EQ(Listing(dir_.Path()).size(), 1u);
}

TEST_F(StreamTest, AbandonedWriteLeavesTheOldFileAndNoTemporary) {
    std::string path = Make("out.bin", {9, 9, 9});
    Stream* s = OpenStream(path.c_str(), "wb");
    ASSERT_NE(s, nullptr);
    const std::uint8_t data[] = {1, 2};
    WriteItems(data, 1, 2, s);
    AbandonStream(s);
    EXPECT_EQ(ReadBytes(path), (std::vector<std::uint8_t>{9, 9, 9}));
    EXPECT_EQ(Listing(dir_.Path()), (std::vector<std::string>{"out.bin"}));
}

TEST_F(StreamTest, NewFileGetsUmaskPermissionsAndReplacedFileKeepsItsOwn) {
    std::string fresh = dir_.File("fresh.bin");
    mode_t old = ::umask(022);
    Stream* s = OpenStream(fresh.c_str(), "wb");
    ::umask(old);
    ASSERT_NE(s, nullptr);
    ASSERT_TRUE(CloseStream(s));
    struct stat info;
    ASSERT_EQ(::stat(fresh.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0644u);

    std::string kept = Make("kept.bin", {1});
    ::chmod(kept.c_str(), 0600);
    s = OpenStream(kept.c_str(), "wb");
    ASSERT_NE(s, nullptr);
    ASSERT_TRUE(CloseStream(s));
    ASSERT_EQ(::stat(kept.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
}

TEST_F(StreamTest, WritingThroughASymbolicLinkReplacesItsTarget) {
    std::string target = Make("target.bin", {1});
    std::string link = dir_.File("link.bin");
    ASSERT_EQ(::symlink("target.bin", link.c_str()), 0);
    Stream* s = OpenStream(link.c_str(), "wb");
    ASSERT_NE(s, nullptr);
    const std::uint8_t data[] = {7, 8};
    WriteItems(data, 2, 1, s);
    ASSERT_TRUE(CloseStream(s));
    struct stat info;
    ASSERT_EQ(::lstat(link.c_str(), &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode));
    EXPECT_EQ(ReadBytes(target), (std::vector<std::uint8_t>{7, 8}));
}

TEST_F(StreamTest, LargeWritesArriveWhole) {
    std::vector<std::uint8_t> bytes(200001);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<std::uint8_t>(i ^ (i >> 9));
    }
    std::string path = dir_.File("big.bin");
    Stream* s = OpenStream(path.c_str(), "wb");
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(WriteItems(bytes.data(), 1, 3, s), 3u);
    EXPECT_EQ(WriteItems(bytes.data() + 3, 1, 150000, s), 150000u);
    EXPECT_EQ(WriteItems(bytes.data() + 150003, 2, 24999, s), 24999u);
    ASSERT_TRUE(CloseStream(s));
    EXPECT_EQ(ReadBytes(path), bytes);
}

TEST(Text, WideStringLength) {
    EXPECT_EQ(WideStringLength(u""), 0u);
    EXPECT_EQ(WideStringLength(u"abc"), 3u);
    EXPECT_EQ(WideStringLength(u"\U0001F600"), 2u);
    EXPECT_EQ(WideStringLength(nullptr), 0u);
}

TEST(Text, WideToNarrowIsUtf8) {
    struct Case {
        const char16_t* wide;
        const char* narrow;
    } cases[] = {
        {u"plain.bmp", "plain.bmp"},
        {u"caf\u00e9", "caf\xc3\xa9"},
        {u"\u65e5\u672c.bmp", "\xe6\x97\xa5\xe6\x9c\xac.bmp"},
        {u"\U0001F600", "\xf0\x9f\x98\x80"},
        {u"a\xD800z", "a\xef\xbf\xbdz"},  // unpaired high surrogate
        {u"\xDC00", "\xef\xbf\xbd"},      // unpaired low surrogate
    };
    for (const Case& c : cases) {
        const std::size_t units = WideStringLength(c.wide);
        std::vector<char> buffer(NarrowBytesNeeded(c.wide, units) + 1, 'x');
        ASSERT_TRUE(WideToNarrow(c.wide, buffer.data(), buffer.size()));
        EXPECT_STREQ(buffer.data(), c.narrow);
    }
}

TEST(Text, WideToNarrowReportsWhatDidNotFit) {
    char buffer[4];
    EXPECT_FALSE(WideToNarrow(u"abcdef", buffer, sizeof buffer));
    EXPECT_STREQ(buffer, "abc");
    EXPECT_FALSE(WideToNarrow(u"\u65e5", buffer, 3));
    EXPECT_STREQ(buffer, "");
}

TEST(Text, UpperCaseAndRounding) {
    EXPECT_EQ(UpperCase('p'), 'P');
    EXPECT_EQ(UpperCase('W'), 'W');
    EXPECT_EQ(UpperCase('1'), '1');
    EXPECT_EQ(Floor(-0.5), -1.0);
    EXPECT_EQ(Floor(2.999), 2.0);
    EXPECT_EQ(Ceiling(2.001), 3.0);
    EXPECT_EQ(Ceiling(-2.5), -2.0);
}

TEST(Memory, AllocationFailureReturnsNull) {
    EXPECT_EQ(AllocateArray(SIZE_MAX / 2), nullptr);
    void* block = AllocateArray(16);
    EXPECT_NE(block, nullptr);
    ReleaseArray(block);
}

}  // namespace
}  // namespace zoro
