// The folders a conversion takes from the opened files, in tree order (a
// folder before its subfolders), as the folder tree of the desktop app
// offers them: journal, notes and tasks folders are left out with their
// subfolders, and so are Outlook's own folders beside the store's IPM
// subtree unless all folders are chosen.
#pragma once

#include <memory>
#include <set>
#include <string>
#include <vector>

namespace mailwright::model {
class MAPIFolder;
class PSTSession;
}  // namespace mailwright::model

namespace mailwright::cli {

struct folder_choice {
    // Full folder paths; empty: every folder.
    std::vector<std::string> paths;
    bool subfolders = true;  // with paths: also their subfolders
    bool ignore_empty = false;
    bool mail = true;
    bool contacts = true;
    bool calendar = true;
    bool all_folders = false;  // also Outlook's own folders outside the IPM subtree
};

// A file whose folder tree broke off while it was walked: the folders read
// before the fault are in the selection.
struct broken_tree {
    std::string path;    // the PST file
    std::string reason;  // where and why
};

struct folder_selection {
    std::vector<std::shared_ptr<model::MAPIFolder>> folders;
    std::set<std::string> unmatched_paths;  // paths of the choice no folder has
    std::vector<broken_tree> broken_trees;
};

folder_selection select_folders(const std::vector<std::shared_ptr<model::PSTSession>>& sessions,
                                const folder_choice& choice);

}  // namespace mailwright::cli
