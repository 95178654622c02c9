#include "export/earlier_conversions.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace mailwright::exporting {
namespace {

namespace fs = std::filesystem;

// A marker is one path and a line end; anything longer is not ours.
constexpr std::size_t kMaxMarkerBytes = 64 * 1024;

// Whether `name` is `pstFileName` or "pstFileName (N)" with N in digits.
bool isOutputFolderName(const std::string& name, const std::string& pstFileName) {
    if (name == pstFileName) {
        return true;
    }
    const std::string prefix = pstFileName + " (";
    if (name.size() <= prefix.size() + 1 || name.compare(0, prefix.size(), prefix) != 0 ||
        name.back() != ')') {
        return false;
    }
    const std::string digits = name.substr(prefix.size(), name.size() - prefix.size() - 1);
    return std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool holdsMarkerOf(const fs::path& folder, const std::string& source) {
    std::error_code error;
    const fs::path marker = folder / std::string(kSourceMarkerName);
    if (!fs::is_regular_file(fs::symlink_status(marker, error)) ||
        fs::file_size(marker, error) > kMaxMarkerBytes || error) {
        return false;
    }
    std::ifstream in(marker, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return text == source + "\n";
}

}  // namespace

std::string ConversionSourceOf(const std::string& pstFilePath) {
    std::error_code error;
    const fs::path canonical = fs::weakly_canonical(fs::absolute(pstFilePath, error), error);
    return error ? pstFilePath : canonical.string();
}

std::vector<std::string> EarlierConversions(const std::string& base, const std::string& pstFileName,
                                            const std::string& source) {
    std::vector<std::string> found;
    std::error_code error;
    for (fs::directory_iterator it(base, error), end; !error && it != end; it.increment(error)) {
        const fs::path& path = it->path();
        if (isOutputFolderName(path.filename().string(), pstFileName) &&
            fs::is_directory(fs::symlink_status(path, error)) && holdsMarkerOf(path, source)) {
            found.push_back(path.string());
        }
    }
    std::sort(found.begin(), found.end());
    return found;
}

bool MarkConversionSource(const std::string& folder, const std::string& source) {
    std::ofstream out(fs::path(folder) / std::string(kSourceMarkerName),
                      std::ios::binary | std::ios::trunc);
    out << source << '\n';
    out.close();
    return static_cast<bool>(out);
}

std::string RemoveConversion(const std::string& folder, const std::string& source) {
    if (!holdsMarkerOf(folder, source)) {
        return "it holds no conversion of this file";
    }
    std::error_code error;
    fs::remove_all(folder, error);
    return error ? error.message() : std::string();
}

}  // namespace mailwright::exporting
