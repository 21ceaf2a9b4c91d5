#include <string>

#include "image/palette.h"
#include "tools/commands.h"
#include "tools/file_checks.h"

namespace zoro {

namespace {

constexpr std::string_view kName = "convert";

int RunConvert(const ParsedArguments& arguments) {
    if (!arguments.Has("--depth")) {
        return ReportUsageError(kName, "--depth N is required");
    }
    std::int32_t depth = 0;
    if (!ParseWholeNumber(arguments.Value("--depth"), depth) || !IsSupportedDepth(depth)) {
        return ReportUsageError(kName, "--depth must be 1, 4, 8, 16, 24 or 32, not " +
                                           Quoted(arguments.Value("--depth")));
    }
    const bool grey = arguments.Has("--grey");
    if (grey && depth > 8) {
        return ReportUsageError(kName, "--grey needs --depth 1, 4 or 8");
    }

    BitmapImage image;
    if (!LoadSource(kName, arguments.positionals[0], image)) {
        return kExitFailure;
    }
    // Setting the depth rebuilds the colour table; at the same depth the file's own stays.
    if (depth != image.Depth()) {
        image.ChangeDepth(depth);
    }
    if (grey) {
        FillGrayscalePalette(image);
    }
    return StoreDestination(kName, image, arguments.positionals[1], arguments.verbose);
}

}  // namespace

const Command& ConvertCommand() {
    static const Command command{
        kName,
        "SOURCE DESTINATION",
        "--depth N [--grey] [-v]",
        "Loads SOURCE and stores it at DESTINATION with N bits per pixel: 1, 4, 8, 16, 24 or\n"
        "32. At 1, 4 and 8 bits each pixel takes the nearest colour of the standard colour\n"
        "table; when N is the depth SOURCE already has, its own colour table is kept.\n"
        "\n"
        "  --depth N      bits per pixel of DESTINATION\n"
        "  --grey         use an even grey ramp as the colour table (N of 1, 4 or 8)\n"
        "  -v, --verbose  say what was written\n",
        {{"--depth", true}, {"--grey", false}},
        2,
        2,
        RunConvert};
    return command;
}

}  // namespace zoro
