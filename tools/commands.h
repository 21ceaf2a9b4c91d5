// The subcommands of bmptool.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "image/bitmap_image.h"
#include "tools/command_line.h"

namespace zoro {

struct Command {
    std::string_view name;
    std::string_view arguments;  // the synopsis after the options, e.g. "FILE..."
    std::string_view options;    // the synopsis of the options, e.g. "[--json]"
    std::string_view help;       // what --help prints below the usage line
    std::vector<OptionRule> accepted;
    std::size_t fewestArguments;
    std::size_t mostArguments;
    int (*run)(const ParsedArguments& arguments);
};

const Command& CropCommand();
const Command& InfoCommand();
const Command& ConvertCommand();
const Command& RescaleCommand();

// Parses the named whole-number argument; on failure reports a usage error of `command`
// and returns false.
bool WholeNumberArgument(std::string_view command, std::string_view name, const std::string& text,
                         std::int32_t& value);

// Loads `path` into `image`; on failure reports why and returns false.
bool LoadSource(std::string_view command, const std::string& path, BitmapImage& image);

// Stores `image` at `path` and makes sure it arrived; returns the exit status, having
// reported a failure or, when `verbose`, what was written.
int StoreDestination(std::string_view command, BitmapImage& image, const std::string& path,
                     bool verbose);

}  // namespace zoro
