// Argument handling shared by the subcommands of bmptool.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace zoro {

constexpr int kExitSuccess = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

// An option a subcommand accepts, as "--name" alone or with a value ("--name VALUE" or
// "--name=VALUE").
struct OptionRule {
    std::string_view name;
    bool takesValue;
};

// What a command line holds once its options are taken out. "-v", "--verbose", "-h" and
// "--help" are accepted everywhere. An argument that looks like a negative number is an
// argument, not an option, and "--" ends the options.
struct ParsedArguments {
    std::vector<std::string> positionals;
    std::map<std::string, std::string, std::less<>> options;  // value "" for a flag
    bool verbose = false;
    bool help = false;

    bool Has(std::string_view name) const { return options.find(name) != options.end(); }
    const std::string& Value(std::string_view name) const { return options.find(name)->second; }
};

// Parses `arguments` against the accepted options. False with `error` set for an option
// that is not accepted or that lacks its value.
bool ParseArguments(const std::vector<std::string>& arguments,
                    const std::vector<OptionRule>& accepted, ParsedArguments& parsed,
                    std::string& error);

// A whole number in the 32-bit signed range, written in decimal with an optional sign.
bool ParseWholeNumber(const std::string& text, std::int32_t& value);

// One line on standard error, "bmptool COMMAND: MESSAGE"; each returns its exit status.
int ReportUsageError(std::string_view command, const std::string& message);
int ReportFailure(std::string_view command, const std::string& message);

// `text` in single quotes, for naming files and arguments in messages.
std::string Quoted(const std::string& text);

}  // namespace zoro
