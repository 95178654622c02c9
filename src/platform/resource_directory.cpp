#include "platform/resource_directory.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace mailwright::platform {
namespace {

namespace fs = std::filesystem;

bool is_folder(const fs::path& path) {
    std::error_code error;
    return fs::is_directory(path, error);
}

}  // namespace

std::string ResourceDirectory() {
    if (const char* chosen = std::getenv(kResourceDirectoryVariable); chosen && *chosen) {
        return is_folder(chosen) ? std::string(chosen) : std::string();
    }
    std::error_code error;
    const fs::path program = fs::read_symlink("/proc/self/exe", error);
    if (error) {
        return {};
    }
    const fs::path beside = program.parent_path().parent_path() / "share" / "mailwright";
    return is_folder(beside) ? beside.string() : std::string();
}

}  // namespace mailwright::platform
