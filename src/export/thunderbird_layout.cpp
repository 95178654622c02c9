// Thunderbird's local folders: every mail folder is a mailbox file without
// extension, and the mailboxes of its subfolders live in the folder
// "<mailbox>.sbd" beside it.
#include <filesystem>
#include <system_error>

#include "export/mailbox_layouts.h"
#include "export/output_paths.h"
#include "export/reserved_endings.h"
#include "export/safe_name.h"
#include "model/mapi_folder.h"

namespace mailwright::exporting {
namespace {

// Thunderbird keeps its own files beside the mailboxes: a mailbox named
// like one of them would not show up as a folder.
const std::vector<std::string_view> kReservedEndings = {".sbd", ".msf"};

std::string mailbox_name(const std::string& folderName) {
    return AvoidReservedEnding(SafeName(folderName), kReservedEndings);
}

// The subfolders' folder of a mailbox, created when missing.
std::string subfolders_of(const std::string& mailbox) {
    const std::string folder = mailbox + ".sbd";
    std::error_code ignored;
    std::filesystem::create_directory(folder, ignored);
    return folder;
}

}  // namespace

std::optional<std::string> ThunderbirdLayout::mailDirectory(
    const std::shared_ptr<model::MAPIFolder>& folder, const std::string& base,
    std::int32_t pstSuffix) const {
    std::error_code error;
    if (!std::filesystem::is_directory(base, error)) {
        return std::nullopt;
    }
    std::string mailbox =
        JoinPath(base, AvoidReservedEnding(PSTOutputName(*folder, pstSuffix), kReservedEndings));
    EnsureFile(mailbox);
    std::string container = subfolders_of(mailbox);
    const auto ancestry = FolderAncestry(folder);
    for (auto it = ancestry.rbegin(); it != ancestry.rend(); ++it) {
        mailbox = JoinPath(container, mailbox_name((*it)->folderName()));
        EnsureFile(mailbox);
        if (*it != folder) {
            container = subfolders_of(mailbox);
        }
    }
    return container;
}

MailboxPaths ThunderbirdLayout::mailboxPaths(const std::string& directory,
                                             const model::MAPIFolder& folder,
                                             bool readUnreadSeparated) const {
    if (readUnreadSeparated) {
        return OutputLayout::mailboxPaths(directory, folder, readUnreadSeparated);
    }
    return {JoinPath(directory, mailbox_name(folder.folderName())), std::nullopt};
}

}  // namespace mailwright::exporting
