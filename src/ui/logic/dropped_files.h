// Which of the dropped or chosen files the main window opens: PST and OST
// files by name, in any letter case, each once, and none already open.
#pragma once

#include <string>
#include <vector>

namespace mailwright::ui {

struct DroppedFiles {
    std::vector<std::string> accepted;
    // Names that are not PST or OST files, for the alert that names them.
    std::vector<std::string> rejected;
};

bool IsMailboxFileName(const std::string& path);
DroppedFiles FilterDroppedFiles(const std::vector<std::string>& paths);
// True when `path` equals one of `openPaths` ignoring letter case.
bool IsAlreadyOpen(const std::string& path, const std::vector<std::string>& openPaths);

}  // namespace mailwright::ui
