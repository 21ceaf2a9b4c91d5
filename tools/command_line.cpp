#include "tools/command_line.h"

#include <cstdio>

namespace zoro {

namespace {

bool LooksLikeNumber(const std::string& text) {
    return text.size() > 1 && text[0] == '-' && text[1] >= '0' && text[1] <= '9';
}

}  // namespace

bool ParseArguments(const std::vector<std::string>& arguments,
                    const std::vector<OptionRule>& accepted, ParsedArguments& parsed,
                    std::string& error) {
    bool optionsEnded = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (optionsEnded || argument.size() < 2 || argument[0] != '-' ||
            LooksLikeNumber(argument)) {
            parsed.positionals.push_back(argument);
            continue;
        }
        if (argument == "--") {
            optionsEnded = true;
        } else if (argument == "-v" || argument == "--verbose") {
            parsed.verbose = true;
        } else if (argument == "-h" || argument == "--help") {
            parsed.help = true;
        } else {
            const std::size_t equals = argument.find('=');
            const std::string name = argument.substr(0, equals);
            const OptionRule* rule = nullptr;
            for (const OptionRule& candidate : accepted) {
                if (name == candidate.name) {
                    rule = &candidate;
                }
            }
            if (rule == nullptr) {
                error = "unknown option " + Quoted(name);
                return false;
            }
            std::string value;
            if (rule->takesValue && equals != std::string::npos) {
                value = argument.substr(equals + 1);
            } else if (rule->takesValue && i + 1 < arguments.size()) {
                value = arguments[++i];
            } else if (rule->takesValue || equals != std::string::npos) {
                error = rule->takesValue ? "option " + name + " needs a value"
                                         : "option " + name + " takes no value";
                return false;
            }
            parsed.options[name] = value;
        }
    }
    return true;
}

bool ParseWholeNumber(const std::string& text, std::int32_t& value) {
    std::size_t at = 0;
    const bool negative = !text.empty() && text[0] == '-';
    if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
        at = 1;
    }
    if (at == text.size() || text.size() - at > 12) {
        return false;
    }
    std::int64_t magnitude = 0;
    for (; at < text.size(); ++at) {
        if (text[at] < '0' || text[at] > '9') {
            return false;
        }
        magnitude = magnitude * 10 + (text[at] - '0');
    }
    const std::int64_t result = negative ? -magnitude : magnitude;
    if (result < INT32_MIN || result > INT32_MAX) {
        return false;
    }
    value = static_cast<std::int32_t>(result);
    return true;
}

namespace {

// "bmptool" or "bmptool COMMAND".
std::string ProgramName(std::string_view command) {
    return command.empty() ? std::string("bmptool") : "bmptool " + std::string(command);
}

}  // namespace

int ReportUsageError(std::string_view command, const std::string& message) {
    const std::string program = ProgramName(command);
    std::fprintf(stderr, "%s: %s (see '%s --help')\n", program.c_str(), message.c_str(),
                 program.c_str());
    return kExitUsage;
}

int ReportFailure(std::string_view command, const std::string& message) {
    std::fprintf(stderr, "%s: %s\n", ProgramName(command).c_str(), message.c_str());
    return kExitFailure;
}

std::string Quoted(const std::string& text) {
    return "'" + text + "'";
}

}  // namespace zoro
