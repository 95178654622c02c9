#include "cli/input_files.h"

#include <sys/stat.h>

#include <set>
#include <utility>

namespace mailwright::cli {

unique_files distinct_files(const std::vector<std::string>& paths) {
    unique_files result;
    std::set<std::pair<dev_t, ino_t>> seen;
    for (const std::string& path : paths) {
        struct stat info {};
        if (::stat(path.c_str(), &info) == 0 && !seen.emplace(info.st_dev, info.st_ino).second) {
            result.duplicates.push_back(path);
        } else {
            result.files.push_back(path);
        }
    }
    return result;
}

}  // namespace mailwright::cli
