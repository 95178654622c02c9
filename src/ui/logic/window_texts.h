// The texts the main window shows about open files: row titles, tooltips,
// the loading message and the alerts of opening.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace mailwright::ui {

// The file name, for an ANSI file followed by its text encoding.
std::string SessionRowTitle(const std::string& fileName, bool isUnicode,
                            const std::string& encodingDisplayName);
// " [%lli]" after a folder name.
std::string FolderCountText(std::int64_t contentCount);

std::string SessionRowTooltip(const std::string& path, bool isUnicode);
// The tooltip of a folder row with subfolders.
std::string ParentFolderTooltip();

// "Loading: %@" with the file name.
std::string LoadingMessage(const std::string& fileName);
// The alert for a file that could not be opened.
std::string FailedToLoadAlert(const std::string& path);
// The alert naming dropped files that are no PST or OST files.
std::string RejectedFilesAlert(const std::vector<std::string>& names);

}  // namespace mailwright::ui
