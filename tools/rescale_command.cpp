#include <string>

#include "export/platform.h"
#include "tools/commands.h"
#include "utilities/rescale.h"

namespace zoro {

namespace {

constexpr std::string_view kName = "rescale";

int RunRescale(const ParsedArguments& arguments) {
    const std::string& modeText = arguments.positionals[2];
    const char mode = modeText.size() == 1 ? UpperCase(modeText[0]) : '\0';
    if (mode != 'P' && mode != 'W' && mode != 'H' && mode != 'F') {
        return ReportUsageError(kName,
                                "MODE must be one of P, W, H and F, not " + Quoted(modeText));
    }
    std::int32_t value = 0;
    if (!WholeNumberArgument(kName, "VALUE", arguments.positionals[3], value)) {
        return kExitUsage;
    }

    BitmapImage image;
    if (!LoadSource(kName, arguments.positionals[0], image)) {
        return kExitFailure;
    }
    if (!RescaleImage(image, mode, value)) {
        return ReportFailure(kName, "the size that " + modeText + " " + std::to_string(value) +
                                        " gives is more than an image may hold");
    }
    return StoreDestination(kName, image, arguments.positionals[1], arguments.verbose);
}

}  // namespace

const Command& RescaleCommand() {
    static const Command command{
        kName,
        "SOURCE DESTINATION MODE VALUE",
        "[-v]",
        "Resamples SOURCE bilinearly to a new size and stores it at DESTINATION with 24 bits\n"
        "per pixel. MODE, in either case, says what VALUE is:\n"
        "\n"
        "  P  a percentage of both sides\n"
        "  W  the new width; the height follows in proportion\n"
        "  H  the new height; the width follows in proportion\n"
        "  F  the new length of the longer side (the height of a square)\n"
        "\n"
        "A side that would be below 1 becomes 1.\n"
        "\n"
        "  -v, --verbose  say what was written\n",
        {},
        4,
        4,
        RunRescale};
    return command;
}

}  // namespace zoro
