// bmptool: crops BMP files through the module, and inspects, converts and rescales them
// with the library, for people and scripts.
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "tools/commands.h"

namespace zoro {

namespace {

const std::vector<const Command*>& Commands() {
    static const std::vector<const Command*> commands = {&CropCommand(), &InfoCommand(),
                                                         &ConvertCommand(), &RescaleCommand()};
    return commands;
}

void PrintToolHelp() {
    std::printf(
        "Usage: bmptool [-v] COMMAND ARGUMENTS...\n"
        "\n"
        "Crops, inspects, converts and rescales Windows bitmap (BMP) files.\n"
        "\n"
        "Commands:\n"
        "  crop SOURCE DESTINATION WIDTH HEIGHT LEFT TOP   cut a rectangle out of a file\n"
        "  info FILE...                                    print the headers of files\n"
        "  convert SOURCE DESTINATION --depth N [--grey]   store a file at another depth\n"
        "  rescale SOURCE DESTINATION MODE VALUE           resample a file to a new size\n"
        "\n"
        "Options:\n"
        "  -v, --verbose  say what was done; otherwise nothing is printed on success\n"
        "  -h, --help     show this help; 'bmptool COMMAND --help' shows a command's own\n"
        "  --version      show the version\n"
        "\n"
        "Exit status: 0 on success, 1 when the work could not be done (the reason is on\n"
        "standard error), 2 when the command line is wrong.\n");
}

void PrintCommandHelp(const Command& command) {
    std::printf("Usage: bmptool %.*s %.*s %.*s\n\n%.*s", static_cast<int>(command.name.size()),
                command.name.data(), static_cast<int>(command.arguments.size()),
                command.arguments.data(), static_cast<int>(command.options.size()),
                command.options.data(), static_cast<int>(command.help.size()), command.help.data());
}

int RunCommand(const Command& command, const std::vector<std::string>& rest, bool verbose) {
    ParsedArguments parsed;
    std::string error;
    if (!ParseArguments(rest, command.accepted, parsed, error)) {
        return ReportUsageError(command.name, error);
    }
    if (parsed.help) {
        PrintCommandHelp(command);
        return kExitSuccess;
    }
    parsed.verbose = parsed.verbose || verbose;
    const std::size_t count = parsed.positionals.size();
    if (count < command.fewestArguments || count > command.mostArguments) {
        return ReportUsageError(command.name, "expected " + std::string(command.arguments) +
                                                  ", got " + std::to_string(count) +
                                                  (count == 1 ? " argument" : " arguments"));
    }
    return command.run(parsed);
}

int Run(const std::vector<std::string>& arguments) {
    bool verbose = false;
    std::size_t at = 0;
    for (; at < arguments.size(); ++at) {
        const std::string& argument = arguments[at];
        if (argument == "-v" || argument == "--verbose") {
            verbose = true;
        } else if (argument == "-h" || argument == "--help") {
            PrintToolHelp();
            return kExitSuccess;
        } else if (argument == "--version") {
            std::printf("bmptool %s\n", ZORO_VERSION);
            return kExitSuccess;
        } else if (!argument.empty() && argument[0] == '-') {
            return ReportUsageError("", "unknown option " + Quoted(argument));
        } else {
            break;
        }
    }
    if (at == arguments.size()) {
        return ReportUsageError("", "no command given");
    }
    for (const Command* command : Commands()) {
        if (arguments[at] == command->name) {
            return RunCommand(
                *command,
                {arguments.begin() + static_cast<std::ptrdiff_t>(at) + 1, arguments.end()},
                verbose);
        }
    }
    return ReportUsageError("", "unknown command " + Quoted(arguments[at]));
}

}  // namespace

}  // namespace zoro

int main(int argc, char** argv) {
    try {
        return zoro::Run(std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc));
    } catch (const std::exception& error) {
        return zoro::ReportFailure("", error.what());
    }
}
