// The mailbox walk of the Thunderbird and Apple layouts: the PST file's
// container in the mail base folder, then a mailbox of the destination's
// form for every folder from the top down to the converted one.
#include <filesystem>
#include <system_error>

#include "export/mailbox_layouts.h"
#include "export/output_paths.h"
#include "model/mapi_folder.h"

namespace mailwright::exporting {

std::optional<std::string> ApplicationLayout::mailDirectory(
    const std::shared_ptr<model::MAPIFolder>& folder, const std::string& base,
    std::int32_t pstSuffix) const {
    std::error_code error;
    if (!std::filesystem::is_directory(base, error)) {
        return std::nullopt;
    }
    std::string container = pstContainer(base, PSTOutputName(*folder, pstSuffix));
    const auto ancestry = FolderAncestry(folder);
    for (auto it = ancestry.rbegin(); it != ancestry.rend(); ++it) {
        container = folderStep(container, (*it)->folderName(), *it == folder);
    }
    return container;
}

MailboxPaths ApplicationLayout::mailboxPaths(const std::string& directory,
                                             const model::MAPIFolder& folder,
                                             bool readUnreadSeparated) const {
    if (readUnreadSeparated) {
        return OutputLayout::mailboxPaths(directory, folder, readUnreadSeparated);
    }
    return {JoinPath(directory, mailboxFileName(folder)), std::nullopt};
}

}  // namespace mailwright::exporting
