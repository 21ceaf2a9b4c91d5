#include "tools/module_loader.h"

#include <dlfcn.h>
#include <unistd.h>

#include <filesystem>
#include <vector>

namespace zoro {

namespace {

// The folder of the running program, or empty when the system does not say.
std::filesystem::path ProgramFolder() {
    std::vector<char> name(4096);
    const ssize_t length = ::readlink("/proc/self/exe", name.data(), name.size());
    if (length <= 0 || static_cast<std::size_t>(length) >= name.size()) {
        return {};
    }
    return std::filesystem::path(std::string(name.data(), static_cast<std::size_t>(length)))
        .parent_path();
}

std::vector<std::string> Candidates() {
    std::vector<std::string> paths;
    const std::filesystem::path folder = ProgramFolder();
    if (!folder.empty()) {
        paths.push_back((folder / ZORO_MODULE_FILE_NAME).string());
        paths.push_back((folder / ZORO_INSTALLED_MODULE_FOLDER / ZORO_MODULE_FILE_NAME)
                            .lexically_normal()
                            .string());
    }
    return paths;
}

}  // namespace

CropFunction LoadCropFunction(const std::string& modulePath, std::string& error) {
    std::string chosen = modulePath;
    if (chosen.empty()) {
        const std::vector<std::string> candidates = Candidates();
        for (const std::string& candidate : candidates) {
            std::error_code ignored;
            if (std::filesystem::exists(candidate, ignored)) {
                chosen = candidate;
                break;
            }
        }
        if (chosen.empty()) {
            error =
                "cannot find the module " + std::string(ZORO_MODULE_FILE_NAME) +
                (candidates.empty() ? std::string()
                                    : " at " + candidates.front() + " or " + candidates.back()) +
                "; name it with --module PATH";
            return nullptr;
        }
    }
    // A path without a slash would be looked up on the library search path instead.
    if (chosen.find('/') == std::string::npos) {
        chosen = "./" + chosen;
    }
    void* module = ::dlopen(chosen.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr) {
        const char* reason = ::dlerror();
        error = "cannot load the module: " + std::string(reason != nullptr ? reason : chosen);
        return nullptr;
    }
    void* symbol = ::dlsym(module, "BMPCrop");
    if (symbol == nullptr) {
        error = "the module " + chosen + " has no BMPCrop";
        return nullptr;
    }
    return reinterpret_cast<CropFunction>(symbol);
}

}  // namespace zoro
