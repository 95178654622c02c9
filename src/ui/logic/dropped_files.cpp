#include "ui/logic/dropped_files.h"

#include <algorithm>
#include <cctype>

namespace mailwright::ui {
namespace {

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

bool endsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

}  // namespace

bool IsMailboxFileName(const std::string& path) {
    const std::string name = lower(path);
    return endsWith(name, ".pst") || endsWith(name, ".ost");
}

DroppedFiles FilterDroppedFiles(const std::vector<std::string>& paths) {
    DroppedFiles files;
    for (const std::string& path : paths) {
        if (!IsMailboxFileName(path)) {
            files.rejected.push_back(path);
        } else if (!IsAlreadyOpen(path, files.accepted)) {
            files.accepted.push_back(path);
        }
    }
    return files;
}

bool IsAlreadyOpen(const std::string& path, const std::vector<std::string>& openPaths) {
    const std::string wanted = lower(path);
    return std::any_of(openPaths.begin(), openPaths.end(),
                       [&](const std::string& open) { return lower(open) == wanted; });
}

}  // namespace mailwright::ui
