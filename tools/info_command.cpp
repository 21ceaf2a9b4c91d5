#include <cstdio>
#include <string>
#include <vector>

#include "bmp/header_probes.h"
#include "tools/commands.h"
#include "tools/file_checks.h"

namespace zoro {

namespace {

constexpr std::string_view kName = "info";

struct Field {
    const char* name;
    std::int64_t value;
};

std::vector<Field> FileHeaderFields(const FileHeader& header) {
    return {{"bfType", header.bfType},
            {"bfSize", header.bfSize},
            {"bfReserved1", header.bfReserved1},
            {"bfReserved2", header.bfReserved2},
            {"bfOffBits", header.bfOffBits}};
}

std::vector<Field> InfoHeaderFields(const InfoHeader& header) {
    return {{"biSize", header.biSize},
            {"biWidth", header.biWidth},
            {"biHeight", header.biHeight},
            {"biPlanes", header.biPlanes},
            {"biBitCount", header.biBitCount},
            {"biCompression", header.biCompression},
            {"biSizeImage", header.biSizeImage},
            {"biXPelsPerMeter", header.biXPelsPerMeter},
            {"biYPelsPerMeter", header.biYPelsPerMeter},
            {"biClrUsed", header.biClrUsed},
            {"biClrImportant", header.biClrImportant}};
}

std::string CompressionName(std::uint32_t compression) {
    switch (compression) {
        case BI_RGB:
            return "BI_RGB, uncompressed";
        case BI_RLE8:
            return "BI_RLE8";
        case BI_RLE4:
            return "BI_RLE4";
        case BI_BITFIELDS:
            return "BI_BITFIELDS, colour masks";
        default:
            return "unknown";
    }
}

// The two characters of the magic, where they can be shown.
std::string MagicText(std::uint16_t magic) {
    std::string text;
    for (int shift : {0, 8}) {
        const char c = static_cast<char>((magic >> shift) & 0xFF);
        text += (c >= 0x20 && c < 0x7F) ? c : '.';
    }
    return text;
}

void PrintText(const std::string& path, const FileHeader& file, const InfoHeader& info) {
    std::printf("%s: %d x %d pixels, %u bits per pixel, %s\n", path.c_str(), info.biWidth,
                info.biHeight, info.biBitCount, CompressionName(info.biCompression).c_str());
    for (const auto& fields : {FileHeaderFields(file), InfoHeaderFields(info)}) {
        for (const Field& field : fields) {
            std::printf("  %-16s %lld", field.name, static_cast<long long>(field.value));
            if (std::string(field.name) == "bfType") {
                std::printf(" \"%s\"", MagicText(file.bfType).c_str());
            }
            std::printf("\n");
        }
    }
}

// A JSON string; bytes that are not printable ASCII pass as they are, control
// characters are escaped.
std::string JsonString(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(c));
            out += escape;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::string JsonObject(const std::vector<Field>& fields) {
    std::string out = "{";
    for (const Field& field : fields) {
        out += (out.size() > 1 ? ", \"" : "\"") + std::string(field.name) +
               "\": " + std::to_string(field.value);
    }
    return out + "}";
}

int RunInfo(const ParsedArguments& arguments) {
    const bool json = arguments.Has("--json");
    int status = kExitSuccess;
    std::vector<std::string> objects;
    for (const std::string& path : arguments.positionals) {
        const std::string problem = ReasonHeadersMissing(path);
        if (!problem.empty()) {
            status = ReportFailure(kName, problem);
            continue;
        }
        const FileHeader file = ReadFileHeader(path.c_str());
        const InfoHeader info = ReadInfoHeader(path.c_str());
        if (json) {
            objects.push_back("  {\"file\": " + JsonString(path) +
                              ",\n   \"fileHeader\": " + JsonObject(FileHeaderFields(file)) +
                              ",\n   \"infoHeader\": " + JsonObject(InfoHeaderFields(info)) + "}");
        } else {
            PrintText(path, file, info);
        }
    }
    if (json) {
        std::printf("[");
        for (std::size_t i = 0; i < objects.size(); ++i) {
            std::printf("%s\n%s", i == 0 ? "" : ",", objects[i].c_str());
        }
        std::printf("%s]\n", objects.empty() ? "" : "\n");
    }
    return status;
}

}  // namespace

const Command& InfoCommand() {
    static const Command command{
        kName,
        "FILE...",
        "[--json]",
        "Prints the file header and the info header of each FILE as they are stored, without\n"
        "loading the pixels.\n"
        "\n"
        "  --json  print a JSON array with one object per file\n",
        {{"--json", false}},
        1,
        SIZE_MAX,
        RunInfo};
    return command;
}

}  // namespace zoro
