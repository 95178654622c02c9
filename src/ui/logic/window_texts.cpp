#include "ui/logic/window_texts.h"

namespace mailwright::ui {

std::string SessionRowTitle(const std::string& fileName, bool isUnicode,
                            const std::string& encodingDisplayName) {
    if (isUnicode) {
        return fileName;
    }
    return fileName + " - [Text Encoding: " + encodingDisplayName + "]";
}

std::string FolderCountText(std::int64_t contentCount) {
    return " [" + std::to_string(contentCount) + "]";
}

std::string SessionRowTooltip(const std::string& path, bool isUnicode) {
    if (isUnicode) {
        return "PST File Path: " + path + "\n\nClick on Close Button to close this PST.";
    }
    return "PST File Path: " + path +
           "\n\nRight click (or Ctrl + Click) to Change Text Encoding. Or click on Close Button "
           "to close this PST";
}

std::string ParentFolderTooltip() {
    // The window's modifier for "this row only" is Alt.
    return "Alt + Click Checkbox to exclude subfolders from selection.";
}

std::string LoadingMessage(const std::string& fileName) {
    return "Loading: " + fileName;
}

std::string FailedToLoadAlert(const std::string& path) {
    return "Failed to load following PST file:\n" + path +
           ".\n\nThis may happen if PST file is corrupt. Please repair this file using "
           "\"scanpst\" and try to reload it.\nOr\nIf you are trying to load the PST file from "
           "a network shared volume then please copy it onto your Mac's local disk and try to "
           "reload it.";
}

std::string RejectedFilesAlert(const std::vector<std::string>& names) {
    std::string text = "The following files are not PST or OST files and were not opened:";
    for (const std::string& name : names) {
        text += "\n" + name;
    }
    return text;
}

}  // namespace mailwright::ui
