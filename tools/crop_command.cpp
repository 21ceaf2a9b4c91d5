#include <cstdio>
#include <string>

#include "image/bitmap_image.h"
#include "tools/commands.h"
#include "tools/file_checks.h"
#include "tools/module_loader.h"
#include "tools/utf16.h"

namespace zoro {

namespace {

constexpr std::string_view kName = "crop";

int RunCrop(const ParsedArguments& arguments) {
    const std::string& source = arguments.positionals[0];
    const std::string& destination = arguments.positionals[1];
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t left = 0;
    std::int32_t top = 0;
    if (!WholeNumberArgument(kName, "WIDTH", arguments.positionals[2], width) ||
        !WholeNumberArgument(kName, "HEIGHT", arguments.positionals[3], height) ||
        !WholeNumberArgument(kName, "LEFT", arguments.positionals[4], left) ||
        !WholeNumberArgument(kName, "TOP", arguments.positionals[5], top)) {
        return kExitUsage;
    }
    std::u16string wideSource;
    std::u16string wideDestination;
    if (!Utf8ToUtf16(source, wideSource)) {
        return ReportUsageError(kName, "SOURCE " + Quoted(source) + " is not valid UTF-8");
    }
    if (!Utf8ToUtf16(destination, wideDestination)) {
        return ReportUsageError(kName,
                                "DESTINATION " + Quoted(destination) + " is not valid UTF-8");
    }

    std::string error;
    const CropFunction crop =
        LoadCropFunction(arguments.Has("--module") ? arguments.Value("--module") : "", error);
    if (crop == nullptr) {
        return ReportFailure(kName, error);
    }
    // The module would crop an unreadable source to a white rectangle; that is no result.
    const std::string unreadable = ReasonSourceUnreadable(source);
    if (!unreadable.empty()) {
        return ReportFailure(kName, unreadable + "; nothing was written");
    }

    const FileStamp before = StampOf(destination);
    crop(wideSource.c_str(), wideDestination.c_str(), width, height, left, top);

    const bool empty = width < 1 || height < 1;
    const std::int32_t outputWidth = empty ? 1 : width;
    const std::int32_t outputHeight = empty ? 1 : height;
    if (!WrittenSince(before, destination)) {
        if (std::int64_t{outputWidth} * outputHeight > kMaxPixelCount) {
            return ReportFailure(kName, "the rectangle of " + std::to_string(width) + " x " +
                                            std::to_string(height) + " pixels is more than the " +
                                            std::to_string(kMaxPixelCount) +
                                            " pixels an image may hold; nothing was written");
        }
        return ReportFailure(kName, ReasonNotWritten(destination));
    }
    const std::string wrong = ReasonWrongOutput(destination, outputWidth, outputHeight, 24);
    if (!wrong.empty()) {
        return ReportFailure(kName, wrong);
    }
    if (arguments.verbose) {
        std::printf("wrote %s: %d x %d pixels at 24 bits per pixel%s\n",
                    Quoted(destination).c_str(), outputWidth, outputHeight,
                    empty ? " (WIDTH or HEIGHT below 1)" : "");
    }
    return kExitSuccess;
}

}  // namespace

const Command& CropCommand() {
    static const Command command{
        kName,
        "SOURCE DESTINATION WIDTH HEIGHT LEFT TOP",
        "[--module PATH] [-v]",
        "Stores the WIDTH x HEIGHT rectangle of SOURCE whose top-left corner is column LEFT,\n"
        "row TOP (row 0 is the top row) as a 24-bit BMP file at DESTINATION. Parts of the\n"
        "rectangle outside the picture repeat its nearest edge pixel, and a WIDTH or HEIGHT\n"
        "below 1 gives a 1 x 1 file. Nothing is written when SOURCE cannot be read.\n"
        "\n"
        "The crop is done by the module libZororazORADode, loaded as a host application\n"
        "loads it: from beside bmptool, or from where it was installed.\n"
        "\n"
        "  --module PATH  load the module from PATH instead\n"
        "  -v, --verbose  say what was written\n",
        {{"--module", true}},
        6,
        6,
        RunCrop};
    return command;
}

}  // namespace zoro
