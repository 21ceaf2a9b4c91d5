// Writes that fail: part-way through (a limit injected in the platform layer, and a real
// file system that fills up), into a folder without write permission, and onto folders.
// A failed save reports false, leaves no temporary file and leaves a previous destination
// byte for byte as it was; the crop leaves the previous destination as it was.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "export/crop_bitmap.h"
#include "export/platform.h"
#include "image/bitmap_image.h"
#include "support/temp_dir.h"
#include "support/test_images.h"

namespace zoro {
namespace {

using Bytes = std::vector<std::uint8_t>;

const Bytes kPrevious = {'a', ' ', 'f', 'i', 'l', 'e', ' ', 't', 'h', 'a', 't', ' ', 'w', 'a', 's'};

// Write streams opened on this thread while it lives stop after `bytes` bytes.
class WriteLimit {
  public:
    explicit WriteLimit(long long bytes) { LimitWritesForTesting(bytes); }
    ~WriteLimit() { LimitWritesForTesting(-1); }
    WriteLimit(const WriteLimit&) = delete;
    WriteLimit& operator=(const WriteLimit&) = delete;
};

std::u16string Wide(const std::string& path) {
    return std::filesystem::path(path).u16string();
}

void Crop(const std::string& source, const std::string& destination, std::int32_t width,
          std::int32_t height) {
    CropBitmapFile(Wide(source).c_str(), Wide(destination).c_str(), width, height, 0, 0);
}

std::vector<std::string> Sorted(std::vector<std::string> names) {
    std::sort(names.begin(), names.end());
    return names;
}

class Faults : public ::testing::Test {
  protected:
    // A file of our writer at `depth`, and its bytes.
    Bytes SaveReference(BitmapImage& image, std::int32_t depth, std::int32_t width,
                        std::int32_t height) {
        Paint(image, depth, width, height);
        const std::string path = reference_.File("reference.bmp");
        EXPECT_TRUE(image.SaveToFile(path.c_str()));
        return ReadBytes(path);
    }

    TempDir dir_;
    TempDir reference_;
    const std::string destination_ = dir_.File("out.bmp");
};

TEST_F(Faults, ASaveCutShortKeepsThePreviousFileAndLeavesNoTemporary) {
    for (std::int32_t depth : {1, 4, 8, 16, 24, 32}) {
        // Small files fail when the stream is closed, large ones while rows are written.
        for (std::int32_t side : {7, 301}) {
            SCOPED_TRACE(std::to_string(depth) + " bits, side " + std::to_string(side));
            BitmapImage image;
            const Bytes whole = SaveReference(image, depth, side, side - 2);
            const long long size = static_cast<long long>(whole.size());
            for (long long limit : {0LL, 1LL, 13LL, 54LL, 60LL, size / 2, size - 1}) {
                SCOPED_TRACE("limit " + std::to_string(limit));
                WriteBytes(destination_, kPrevious);
                {
                    WriteLimit cut(limit);
                    EXPECT_FALSE(image.SaveToFile(destination_.c_str()));
                }
                EXPECT_EQ(ReadBytes(destination_), kPrevious);
                EXPECT_EQ(Listing(dir_.Path()), std::vector<std::string>{"out.bmp"});
            }
            // A new file that cannot be written whole is not left behind at all.
            std::filesystem::remove(destination_);
            {
                WriteLimit cut(size - 1);
                EXPECT_FALSE(image.SaveToFile(destination_.c_str()));
            }
            EXPECT_TRUE(Listing(dir_.Path()).empty());
            // Exactly enough room is enough.
            {
                WriteLimit cut(size);
                EXPECT_TRUE(image.SaveToFile(destination_.c_str()));
            }
            EXPECT_EQ(ReadBytes(destination_), whole);
        }
    }
}

TEST_F(Faults, ACropCutShortKeepsThePreviousFile) {
    BitmapImage image;
    const std::string source = dir_.File("source.bmp");
    Paint(image, 24, 40, 30);
    ASSERT_TRUE(image.SaveToFile(source.c_str()));
    // A 200 x 100 crop is 60054 bytes.
    for (long long limit : {0LL, 54LL, 30000LL, 60053LL}) {
        SCOPED_TRACE("limit " + std::to_string(limit));
        WriteBytes(destination_, kPrevious);
        {
            WriteLimit cut(limit);
            Crop(source, destination_, 200, 100);
        }
        EXPECT_EQ(ReadBytes(destination_), kPrevious);
        EXPECT_EQ(Sorted(Listing(dir_.Path())),
                  (std::vector<std::string>{"out.bmp", "source.bmp"}));
    }
    {
        WriteLimit cut(60054);
        Crop(source, destination_, 200, 100);
    }
    EXPECT_EQ(ReadBytes(destination_).size(), 60054u);
}

// The temporary file of a save is named after the destination; a destination whose name is
// as long as a name can be still gets written, and replaced.
TEST_F(Faults, ADestinationWithTheLongestNameIsWrittenAndReplaced) {
    const std::string longest = dir_.File(std::string(251, 'n') + ".bmp");
    BitmapImage image;
    Paint(image, 24, 3, 2);
    ASSERT_TRUE(image.SaveToFile(longest.c_str()));
    const Bytes first = ReadBytes(longest);
    Paint(image, 8, 5, 4);
    EXPECT_TRUE(image.SaveToFile(longest.c_str()));
    EXPECT_NE(ReadBytes(longest), first);
    Crop(longest, longest, 2, 2);
    BitmapImage cropped;
    EXPECT_TRUE(cropped.LoadFromFile(longest.c_str()));
    EXPECT_EQ(cropped.Width(), 2);
    EXPECT_EQ(Listing(dir_.Path()).size(), 1u);
}

// An empty path names no file: a save writes nothing anywhere, not even a temporary in the
// working folder, and a load gets the reset of a file that cannot be opened.
TEST_F(Faults, AnEmptyPathNamesNoFile) {
    EXPECT_EQ(OpenStream("", "wb"), nullptr);
    EXPECT_EQ(OpenStream("", "rb"), nullptr);
    BitmapImage image;
    Paint(image, 24, 3, 2);
    EXPECT_FALSE(image.SaveToFile(""));
    EXPECT_FALSE(image.LoadFromFile(""));
    EXPECT_EQ(image.Depth(), 1);
    EXPECT_EQ(image.PixelValue(0, 0), kWhite);
}

// A tmpfs of a few pages mounted for the test, where the machine lets us.
class SmallFileSystem {
  public:
    explicit SmallFileSystem(const std::filesystem::path& folder) : folder_(folder) {
        std::filesystem::create_directories(folder_);
        mounted_ = ::mount("tmpfs", folder_.c_str(), "tmpfs", MS_NOSUID | MS_NODEV,
                           "size=64k,mode=0755") == 0;
        error_ = errno;
    }
    ~SmallFileSystem() {
        if (mounted_) {
            ::umount2(folder_.c_str(), MNT_DETACH);
        }
    }
    SmallFileSystem(const SmallFileSystem&) = delete;
    SmallFileSystem& operator=(const SmallFileSystem&) = delete;

    bool Mounted() const { return mounted_; }
    std::string Why() const { return std::strerror(error_); }

  private:
    std::filesystem::path folder_;
    bool mounted_ = false;
    int error_ = 0;
};

TEST_F(Faults, AFullFileSystemFailsTheSaveAndTheCropAndKeepsThePreviousFile) {
    SmallFileSystem disk(dir_.Path() / "disk");
    if (!disk.Mounted()) {
        GTEST_SKIP() << "cannot mount a small tmpfs here (" << disk.Why()
                     << "); the injected write limit covers the same paths";
    }
    const std::string previous = (dir_.Path() / "disk" / "out.bmp").string();
    const std::string source = dir_.File("source.bmp");
    BitmapImage small;
    Paint(small, 24, 4, 4);
    ASSERT_TRUE(small.SaveToFile(previous.c_str()));  // the disk works
    ASSERT_TRUE(small.SaveToFile(source.c_str()));
    const Bytes before = ReadBytes(previous);

    BitmapImage large;
    Paint(large, 32, 200, 200);  // 160054 bytes, more than the disk holds
    EXPECT_FALSE(large.SaveToFile(previous.c_str()));
    EXPECT_EQ(ReadBytes(previous), before);
    EXPECT_EQ(Listing(dir_.Path() / "disk"), std::vector<std::string>{"out.bmp"});

    Crop(source, previous, 300, 300);
    EXPECT_EQ(ReadBytes(previous), before);
    EXPECT_EQ(Listing(dir_.Path() / "disk"), std::vector<std::string>{"out.bmp"});
}

// ---- Files that cannot be opened ----

constexpr uid_t kNobody = 65534;
constexpr int kCannotTest = 77;

// Runs `checks` in a child process, as an unprivileged user when we are root, since root
// passes every permission test. The child's exit code is the number of the first check
// that failed, 0 when all held, kCannotTest when it could not take the unprivileged user;
// the child never returns into the test runner.
template <typename Checks>
int InUnprivilegedChild(const std::filesystem::path& folder, Checks checks) {
    const pid_t child = ::fork();
    if (child == 0) {
        if (::geteuid() == 0 && (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)) {
            ::_exit(kCannotTest);
        }
        if (::access(folder.c_str(), W_OK | X_OK) != 0) {
            ::_exit(kCannotTest);  // the test folder lies beyond the user's reach
        }
        int failed = -2;
        try {
            failed = checks();
        } catch (...) {
        }
        ::_exit(failed);
    }
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status)) {
        return -1;
    }
    return WEXITSTATUS(status);
}

TEST_F(Faults, FilesWithoutPermissionBehaveAsFilesThatCannotBeOpened) {
    namespace fs = std::filesystem;
    const fs::path open = dir_.Path() / "open";
    const fs::path closed = dir_.Path() / "closed";
    fs::create_directories(open);
    fs::create_directories(closed);
    const std::string unreadable = dir_.File("unreadable.bmp");
    const std::string readable = dir_.File("readable.bmp");
    const std::string kept = (closed / "kept.bmp").string();
    BitmapImage picture;
    Paint(picture, 24, 3, 2);
    ASSERT_TRUE(picture.SaveToFile(unreadable.c_str()));
    ASSERT_TRUE(picture.SaveToFile(readable.c_str()));
    WriteBytes(kept, kPrevious);
    fs::permissions(dir_.Path(),
                    fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
    fs::permissions(open, fs::perms::all);
    fs::permissions(closed, fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
    fs::permissions(unreadable, fs::perms::none);
    fs::permissions(readable,
                    fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    // Someone else's file in the closed folder that the user may write, but not replace.
    fs::permissions(kept, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_write |
                              fs::perms::others_read | fs::perms::others_write);

    const int failed = InUnprivilegedChild(open, [&] {
        BitmapImage image;
        if (image.LoadFromFile(unreadable.c_str()) || image.Width() != 1 || image.Depth() != 1 ||
            image.PixelValue(0, 0) != kWhite) {
            return 1;
        }
        if (picture.SaveToFile((closed / "new.bmp").string().c_str()) ||
            fs::exists(closed / "new.bmp")) {
            return 2;
        }
        if (picture.SaveToFile(kept.c_str()) || ReadBytes(kept) != kPrevious) {
            return 3;
        }
        // The crop takes an unreadable source as white and stores nothing where it cannot.
        const std::string white = (open / "white.bmp").string();
        Crop(unreadable, white, 2, 2);
        BitmapImage cropped;
        if (!cropped.LoadFromFile(white.c_str()) || cropped.Width() != 2 ||
            cropped.PixelValue(1, 1) != kWhite) {
            return 4;
        }
        Crop(readable, (closed / "crop.bmp").string(), 2, 2);
        Crop(readable, kept, 2, 2);
        if (fs::exists(closed / "crop.bmp") || ReadBytes(kept) != kPrevious) {
            return 5;
        }
        return 0;
    });
    if (failed == kCannotTest) {
        GTEST_SKIP() << "cannot act as an unprivileged user on the test folder here";
    }
    EXPECT_EQ(failed, 0) << "check " << failed << " failed in the unprivileged child";
    EXPECT_EQ(Listing(closed), std::vector<std::string>{"kept.bmp"});
}

TEST_F(Faults, FoldersBehaveAsFilesThatCannotBeOpened) {
    namespace fs = std::filesystem;
    const fs::path folder = dir_.Path() / "folder.bmp";
    fs::create_directories(folder);
    const std::string source = dir_.File("source.bmp");
    BitmapImage picture;
    Paint(picture, 8, 3, 2);
    ASSERT_TRUE(picture.SaveToFile(source.c_str()));

    EXPECT_FALSE(picture.SaveToFile(folder.string().c_str()));
    EXPECT_TRUE(fs::is_directory(folder));
    EXPECT_TRUE(Listing(folder).empty());

    BitmapImage image;
    EXPECT_FALSE(image.LoadFromFile(folder.string().c_str()));
    EXPECT_EQ(image.Depth(), 1);
    EXPECT_EQ(image.PixelValue(0, 0), kWhite);

    Crop(source, folder.string(), 2, 2);
    EXPECT_TRUE(fs::is_directory(folder));
    EXPECT_TRUE(Listing(folder).empty());

    const std::string white = dir_.File("white.bmp");
    Crop(folder.string(), white, 3, 2);
    BitmapImage cropped;
    ASSERT_TRUE(cropped.LoadFromFile(white.c_str()));
    EXPECT_EQ(cropped.Width(), 3);
    EXPECT_EQ(cropped.PixelValue(2, 1), kWhite);
    EXPECT_EQ(Sorted(Listing(dir_.Path())),
              (std::vector<std::string>{"folder.bmp", "source.bmp", "white.bmp"}));
}

}  // namespace
}  // namespace zoro
