#include <cstdio>
#include <string>

#include "tools/commands.h"
#include "tools/file_checks.h"

namespace zoro {

bool WholeNumberArgument(std::string_view command, std::string_view name, const std::string& text,
                         std::int32_t& value) {
    if (ParseWholeNumber(text, value)) {
        return true;
    }
    ReportUsageError(command, std::string(name) + " must be a whole number from " +
                                  std::to_string(INT32_MIN) + " to " + std::to_string(INT32_MAX) +
                                  ", not " + Quoted(text));
    return false;
}

bool LoadSource(std::string_view command, const std::string& path, BitmapImage& image) {
    if (image.LoadFromFile(path.c_str())) {
        return true;
    }
    const std::string reason = ReasonSourceUnreadable(path);
    ReportFailure(command, reason.empty() ? "cannot read " + Quoted(path) : reason);
    return false;
}

int StoreDestination(std::string_view command, BitmapImage& image, const std::string& path,
                     bool verbose) {
    const FileStamp before = StampOf(path);
    if (!image.SaveToFile(path.c_str()) || !WrittenSince(before, path)) {
        return ReportFailure(command, ReasonNotWritten(path));
    }
    const std::string wrong = ReasonWrongOutput(path, image.Width(), image.Height(), image.Depth());
    if (!wrong.empty()) {
        return ReportFailure(command, wrong);
    }
    if (verbose) {
        std::printf("wrote %s: %d x %d pixels at %d bits per pixel\n", Quoted(path).c_str(),
                    image.Width(), image.Height(), image.Depth());
    }
    return kExitSuccess;
}

}  // namespace zoro
