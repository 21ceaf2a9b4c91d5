// bmptool as people and scripts use it: run as a program, judged by its exit status, what
// it prints and the files it leaves.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>

#include <filesystem>
#include <string>
#include <vector>

#include "export/bmp_fixtures.h"
#include "support/temp_dir.h"

extern char** environ;

namespace zoro {
namespace {

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

std::string ReadText(const std::string& path) {
    const Bytes bytes = ReadBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

class BmptoolTest : public ::testing::Test {
  protected:
    // Runs bmptool with `arguments`, its output and errors caught in files.
    Outcome Run(const std::vector<std::string>& arguments) {
        const std::string out = dir_.File("stdout.txt");
        const std::string err = dir_.File("stderr.txt");
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0644);
        posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0644);
        std::vector<std::string> all = {ZORO_BMPTOOL_PATH};
        all.insert(all.end(), arguments.begin(), arguments.end());
        std::vector<char*> argv;
        for (std::string& argument : all) {
            argv.push_back(argument.data());
        }
        argv.push_back(nullptr);
        Outcome outcome;
        pid_t child = 0;
        int status = 0;
        if (posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ) == 0 &&
            waitpid(child, &status, 0) == child && WIFEXITED(status)) {
            outcome.status = WEXITSTATUS(status);
        }
        posix_spawn_file_actions_destroy(&actions);
        outcome.out = ReadText(out);
        outcome.err = ReadText(err);
        std::filesystem::remove(out);
        std::filesystem::remove(err);
        return outcome;
    }

    // A failure: the given status and one line on standard error that says `reason`.
    static void ExpectFailure(const Outcome& outcome, int status, const std::string& reason) {
        EXPECT_EQ(outcome.status, status);
        EXPECT_EQ(outcome.out, "");
        EXPECT_NE(outcome.err.find(reason), std::string::npos) << outcome.err;
        EXPECT_EQ(outcome.err.find('\n'), outcome.err.size() - 1) << outcome.err;
    }

    static void ExpectSilentSuccess(const Outcome& outcome) {
        EXPECT_EQ(outcome.status, 0) << outcome.err;
        EXPECT_EQ(outcome.out, "");
        EXPECT_EQ(outcome.err, "");
    }

    TempDir dir_;
    const std::string source_ = dir_.File("source.bmp");
    const std::string output_ = dir_.File("output.bmp");
};

// A 3 x 2 picture whose red byte is the column and whose green byte is the row.
std::vector<std::vector<Pixel>> Picture() {
    std::vector<std::vector<Pixel>> rows(2);
    for (std::uint8_t y = 0; y < 2; ++y) {
        for (std::uint8_t x = 0; x < 3; ++x) {
            rows[y].push_back(Pixel{9, y, x, 0});
        }
    }
    return rows;
}

TEST_F(BmptoolTest, UsageErrorsExitWith2AndSayWhatIsWrong) {
    const struct {
        std::vector<std::string> arguments;
        const char* reason;
    } cases[] = {
        {{}, "no command given"},
        {{"frobnicate"}, "unknown command 'frobnicate'"},
        {{"--bogus", "crop"}, "unknown option '--bogus'"},
        {{"crop", "a", "b", "1", "1", "0"}, "expected SOURCE DESTINATION WIDTH HEIGHT LEFT TOP"},
        {{"crop", "a", "b", "1", "1", "0", "0", "9"}, "got 7 arguments"},
        {{"crop", "a", "b", "1.5", "1", "0", "0"}, "WIDTH must be a whole number"},
        {{"crop", "a", "b", "1", "2147483648", "0", "0"}, "HEIGHT must be a whole number"},
        {{"crop", "a", "b", "1", "1", "-", "0"}, "LEFT must be a whole number"},
        {{"crop", "a", "b", "1", "1", "0", " 3"}, "TOP must be a whole number"},
        {{"crop", "--fast", "a", "b", "1", "1", "0", "0"}, "unknown option '--fast'"},
        {{"crop", "a", "b", "1", "1", "0", "0", "--module"}, "option --module needs a value"},
        {{"crop", "a\xff", "b", "1", "1", "0", "0"}, "is not valid UTF-8"},
        {{"info"}, "expected FILE..., got 0 arguments"},
        {{"info", "--json=yes", "a"}, "option --json takes no value"},
        {{"convert", "a", "b"}, "--depth N is required"},
        {{"convert", "a", "b", "--depth", "2"}, "--depth must be 1, 4, 8, 16, 24 or 32"},
        {{"convert", "a", "b", "--depth=24", "--grey"}, "--grey needs --depth 1, 4 or 8"},
        {{"rescale", "a", "b", "X", "10"}, "MODE must be one of P, W, H and F"},
        {{"rescale", "a", "b", "pw", "10"}, "MODE must be one of P, W, H and F"},
        {{"rescale", "a", "b", "P", "ten"}, "VALUE must be a whole number"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reason);
        ExpectFailure(Run(c.arguments), 2, c.reason);
    }
    EXPECT_FALSE(std::filesystem::exists("b"));
}

TEST_F(BmptoolTest, HelpGoesToStandardOutput) {
    const std::vector<std::vector<std::string>> requests = {
        {"--help"},           {"-h"}, {"crop", "--help"}, {"info", "-h"}, {"convert", "--help"},
        {"rescale", "--help"}};
    for (const std::vector<std::string>& request : requests) {
        SCOPED_TRACE(request.front());
        const Outcome outcome = Run(request);
        EXPECT_EQ(outcome.status, 0);
        EXPECT_EQ(outcome.out.rfind("Usage: bmptool ", 0), 0u) << outcome.out;
        EXPECT_EQ(outcome.err, "");
    }
    EXPECT_NE(Run({"crop", "--help"}).out.find("SOURCE DESTINATION WIDTH HEIGHT LEFT TOP"),
              std::string::npos);
}

TEST_F(BmptoolTest, CropWritesTheRectangleSilently) {
    WriteBytes(source_, BuildBmp24(Picture()));
    ExpectSilentSuccess(Run({"crop", source_, output_, "3", "1", "-1", "1"}));
    const Bmp24File output = ParseBmp24(ReadBytes(output_));
    ASSERT_TRUE(output.valid);
    const std::vector<std::vector<Pixel>> picture = Picture();
    EXPECT_EQ(output.rows,
              (std::vector<std::vector<Pixel>>{{picture[1][0], picture[1][0], picture[1][1]}}));
}

TEST_F(BmptoolTest, CropSaysWhatItWroteWhenAsked) {
    WriteBytes(source_, BuildBmp24(Picture()));
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{"-v", "crop", source_, output_, "2", "2", "0", "0"},
          std::vector<std::string>{"crop", source_, output_, "2", "2", "0", "0", "--verbose"}}) {
        const Outcome outcome = Run(arguments);
        EXPECT_EQ(outcome.status, 0);
        EXPECT_EQ(outcome.out, "wrote '" + output_ + "': 2 x 2 pixels at 24 bits per pixel\n");
        EXPECT_EQ(outcome.err, "");
    }
}

TEST_F(BmptoolTest, CropTakesTheModuleNamedOnTheCommandLine) {
    WriteBytes(source_, BuildBmp24(Picture()));
    ExpectSilentSuccess(
        Run({"crop", "--module", ZORO_MODULE_PATH, source_, output_, "1", "1", "0", "0"}));
    ExpectFailure(
        Run({"crop", "--module=" + dir_.File("none.so"), source_, output_, "1", "1", "0", "0"}), 1,
        "cannot load the module");
}

TEST_F(BmptoolTest, CropFailuresExitWith1AndLeaveTheDestinationAlone) {
    BmpLayout runLength;
    runLength.depth = 8;
    runLength.compression = 1;
    runLength.rows = {{0}};
    BmpLayout topDown;
    topDown.height = -2;
    topDown.rows = {{0, 0, 0}, {0, 0, 0}};
    BmpLayout twoBits;
    twoBits.depth = 2;
    twoBits.rows = {{0}};
    const Bytes picture = BuildBmp24(Picture());
    const struct {
        const char* name;
        Bytes source;  // empty: no source file
        std::vector<std::string> rectangle;
        std::string destination;
        const char* reason;
    } cases[] = {
        {"missing source", {}, {"1", "1", "0", "0"}, output_, "No such file or directory"},
        {"short source", {'B', 'M', 0}, {"1", "1", "0", "0"}, output_, "too short"},
        {"not a BMP file", Bytes(60, 'x'), {"1", "1", "0", "0"}, output_, "not a BMP file"},
        {"RLE8",
         BuildBmp(runLength),
         {"1", "1", "0", "0"},
         output_,
         "RLE8 compression is not supported"},
        {"top down", BuildBmp(topDown), {"1", "1", "0", "0"}, output_, "top row first"},
        {"2 bits",
         BuildBmp(twoBits),
         {"1", "1", "0", "0"},
         output_,
         "2 bits per pixel are not supported"},
        {"no such folder",
         picture,
         {"1", "1", "0", "0"},
         dir_.File("none/out.bmp"),
         "does not exist"},
        {"destination is a folder",
         picture,
         {"1", "1", "0", "0"},
         dir_.Path().string(),
         "is a folder"},
        {"too many pixels",
         picture,
         {"65536", "4097", "0", "0"},
         output_,
         "more than the 268435456 pixels"},
    };
    const Bytes existing = {'o', 'l', 'd'};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove(source_);
        if (!c.source.empty()) {
            WriteBytes(source_, c.source);
        }
        WriteBytes(output_, existing);
        std::vector<std::string> arguments = {"crop", source_, c.destination};
        arguments.insert(arguments.end(), c.rectangle.begin(), c.rectangle.end());
        ExpectFailure(Run(arguments), 1, c.reason);
        EXPECT_EQ(ReadBytes(output_), existing);
    }
}

TEST_F(BmptoolTest, InfoPrintsEveryHeaderField) {
    WriteBytes(source_, BuildBmp24(Picture(), 2835));
    const Outcome outcome = Run({"info", source_});
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.err, "");
    EXPECT_EQ(outcome.out, source_ +
                               ": 3 x 2 pixels, 24 bits per pixel, BI_RGB, uncompressed\n"
                               "  bfType           19778 \"BM\"\n"
                               "  bfSize           78\n"
                               "  bfReserved1      0\n"
                               "  bfReserved2      0\n"
                               "  bfOffBits        54\n"
                               "  biSize           40\n"
                               "  biWidth          3\n"
                               "  biHeight         2\n"
                               "  biPlanes         1\n"
                               "  biBitCount       24\n"
                               "  biCompression    0\n"
                               "  biSizeImage      24\n"
                               "  biXPelsPerMeter  2835\n"
                               "  biYPelsPerMeter  2835\n"
                               "  biClrUsed        0\n"
                               "  biClrImportant   0\n");
}

TEST_F(BmptoolTest, InfoAsJsonListsEachReadableFileAndReportsTheOthers) {
    const std::string quoted = dir_.File("say \"hi\".bmp");
    WriteBytes(quoted, BuildBmp24(Picture()));
    const Outcome outcome = Run({"info", "--json", quoted, dir_.File("missing.bmp")});
    EXPECT_EQ(outcome.status, 1);
    std::string escaped = dir_.File("say \\\"hi\\\".bmp");
    EXPECT_EQ(outcome.out,
              "[\n  {\"file\": \"" + escaped +
                  "\",\n"
                  "   \"fileHeader\": {\"bfType\": 19778, \"bfSize\": 78, \"bfReserved1\": 0, "
                  "\"bfReserved2\": 0, \"bfOffBits\": 54},\n"
                  "   \"infoHeader\": {\"biSize\": 40, \"biWidth\": 3, \"biHeight\": 2, "
                  "\"biPlanes\": 1, \"biBitCount\": 24, \"biCompression\": 0, "
                  "\"biSizeImage\": 24, \"biXPelsPerMeter\": 3780, \"biYPelsPerMeter\": 3780, "
                  "\"biClrUsed\": 0, \"biClrImportant\": 0}}\n]\n");
    EXPECT_NE(outcome.err.find("missing.bmp"), std::string::npos);
    EXPECT_EQ(Run({"info", "--json", dir_.File("missing.bmp")}).out, "[]\n");
}

// The colour table of an 8-bit file, as stored.
std::vector<Pixel> ColourTable(const Bytes& file) {
    std::vector<Pixel> table;
    for (std::size_t at = 54; at + 4 <= 54 + 1024 && at + 4 <= file.size(); at += 4) {
        table.push_back(Pixel{file[at], file[at + 1], file[at + 2], file[at + 3]});
    }
    return table;
}

BmpLayout EightBitPicture() {
    BmpLayout layout;
    layout.depth = 8;
    layout.width = 2;
    for (int i = 0; i < 256; ++i) {
        const auto level = static_cast<std::uint8_t>(i);
        layout.palette.push_back(Pixel{level, static_cast<std::uint8_t>(255 - level), 7, 0});
    }
    layout.rows = {{3, 250}};
    return layout;
}

TEST_F(BmptoolTest, ConvertChangesTheDepth) {
    WriteBytes(source_, BuildBmp(EightBitPicture()));
    ExpectSilentSuccess(Run({"convert", source_, output_, "--depth", "24"}));
    const Bmp24File output = ParseBmp24(ReadBytes(output_));
    ASSERT_TRUE(output.valid);
    EXPECT_EQ(output.rows,
              (std::vector<std::vector<Pixel>>{{Pixel{3, 252, 7, 0}, Pixel{250, 5, 7, 0}}}));

    ExpectSilentSuccess(Run({"convert", source_, output_, "--depth=4"}));
    const Bytes fourBits = ReadBytes(output_);
    ASSERT_GE(fourBits.size(), 54u);
    EXPECT_EQ(GetLittleEndian(fourBits, 28, 2), 4u);
    EXPECT_EQ(GetLittleEndian(fourBits, 10, 4), 54u + 64u);
}

TEST_F(BmptoolTest, ConvertKeepsTheFilesColourTableAtTheSameDepth) {
    const BmpLayout layout = EightBitPicture();
    WriteBytes(source_, BuildBmp(layout));
    ExpectSilentSuccess(Run({"convert", source_, output_, "--depth", "8"}));
    EXPECT_EQ(ColourTable(ReadBytes(output_)), layout.palette);
}

TEST_F(BmptoolTest, ConvertAppliesTheGreyRamp) {
    WriteBytes(source_, BuildBmp24(Picture()));
    const Outcome outcome = Run({"-v", "convert", source_, output_, "--depth", "8", "--grey"});
    EXPECT_EQ(outcome.out, "wrote '" + output_ + "': 3 x 2 pixels at 8 bits per pixel\n");
    const std::vector<Pixel> table = ColourTable(ReadBytes(output_));
    ASSERT_EQ(table.size(), 256u);
    for (std::size_t i = 0; i < table.size(); ++i) {
        const auto level = static_cast<std::uint8_t>(i);
        EXPECT_EQ(table[i], (Pixel{level, level, level, 0})) << i;
    }
}

TEST_F(BmptoolTest, ConvertAndRescaleReportUnreadableSources) {
    BmpLayout runLength;
    runLength.depth = 8;
    runLength.compression = 1;
    runLength.rows = {{0}};
    WriteBytes(source_, BuildBmp(runLength));
    ExpectFailure(Run({"convert", source_, output_, "--depth", "24"}), 1, "RLE8");
    ExpectFailure(Run({"rescale", source_, output_, "P", "50"}), 1, "RLE8");
    EXPECT_FALSE(std::filesystem::exists(output_));
}

TEST_F(BmptoolTest, RescaleResamplesBilinearly) {
    const Pixel black{0, 0, 0, 0};
    const Pixel white{255, 255, 255, 0};
    WriteBytes(source_, BuildBmp24({{black, white}}));
    ExpectSilentSuccess(Run({"rescale", source_, output_, "w", "3"}));
    const Bmp24File output = ParseBmp24(ReadBytes(output_));
    ASSERT_TRUE(output.valid);
    EXPECT_EQ(output.rows,
              (std::vector<std::vector<Pixel>>{{black, Pixel{127, 127, 127, 0}, white}}));
}

TEST_F(BmptoolTest, RescaleRefusesASizeBeyondTheLimit) {
    WriteBytes(source_, BuildBmp24(Picture()));
    ExpectFailure(Run({"rescale", source_, output_, "P", "2147483647"}), 1, "rescale");
    EXPECT_FALSE(std::filesystem::exists(output_));
}

}  // namespace
}  // namespace zoro
