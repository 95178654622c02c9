// The folder tree of PST files as the session model shows it, gathered whole
// before anything is printed: `mailwright list` prints it as text or JSON.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "model/recorded_code_page.h"
#include "platform/user_defaults.h"
#include "text/code_page_table.h"

namespace mailwright::cli {

struct listed_folder {
    std::string name;
    std::string path;       // the folder's full path
    std::int32_t kind = 0;  // MAPIFolder::defaultItemType
    std::int64_t count = 0;
    std::vector<listed_folder> children;
};

struct listed_file {
    std::string path;
    bool unicode = false;
    std::optional<std::string> store;  // once the file is open
    // An ANSI file's: the row that decodes its 8-bit text and why; null for
    // a Unicode file.
    const text::TextEncodingItem* code_page = nullptr;
    model::CodePageSource code_page_source = model::CodePageSource::fallback;
    std::optional<listed_folder> root;  // once the whole tree is read
    std::string error;                  // why the tree could not be read
};

// The kind's name: "mail" (also for the store root), "calendar",
// "contacts", "journal", "notes" or "tasks".
const char* folder_kind_name(std::int32_t kind);

// Opens the file with the code page `given`, else the one it records, else
// the one `defaults` give, and reads its folder tree: the store's IPM
// subtree below the root, or with `all_folders` also Outlook's own folders
// beside it. Never throws: a failure is recorded in `error`.
listed_file list_file(const std::string& path, const platform::UserDefaults& defaults,
                      bool all_folders = false, std::optional<std::int32_t> given = std::nullopt);

// The message of the exception being handled, with the key of a
// key_not_found ("key not found: node 0x122").
std::string describe_current_exception();

}  // namespace mailwright::cli
