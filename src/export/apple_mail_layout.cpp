// Apple Mail's mailboxes: every mail folder is a folder "<name>.mbox" that
// holds its messages in the file "mbox"; a folder with converted subfolders
// also has a plain folder "<name>" that holds their mailboxes.
#include <filesystem>
#include <system_error>

#include "export/mailbox_layouts.h"
#include "export/output_paths.h"
#include "export/reserved_endings.h"
#include "export/safe_name.h"
#include "model/mapi_folder.h"

namespace mailwright::exporting {
namespace {

// A plain folder named "X.mbox" would be taken for a mailbox.
const std::vector<std::string_view> kReservedEndings = {".mbox"};

constexpr const char* kMailboxFileName = "mbox";

bool make_folder(const std::string& path) {
    std::error_code error;
    std::filesystem::create_directory(path, error);
    return std::filesystem::is_directory(path, error);
}

}  // namespace

std::optional<std::string> AppleMailLayout::mailDirectory(
    const std::shared_ptr<model::MAPIFolder>& folder, const std::string& base,
    std::int32_t pstSuffix) const {
    std::error_code error;
    if (!std::filesystem::is_directory(base, error)) {
        return std::nullopt;
    }
    std::string container = JoinPath(base, PSTOutputName(*folder, pstSuffix));
    make_folder(container);
    const auto ancestry = FolderAncestry(folder);
    for (auto it = ancestry.rbegin(); it != ancestry.rend(); ++it) {
        const bool self = *it == folder;
        const std::string plain = JoinPath(
            container, AvoidReservedEnding(SafeName((*it)->folderName()), kReservedEndings));
        const std::string mailbox = plain + ".mbox";
        if (!self) {
            make_folder(plain);
        }
        if (!std::filesystem::exists(std::filesystem::symlink_status(mailbox, error)) &&
            make_folder(mailbox) && !self) {
            EnsureFile(JoinPath(mailbox, kMailboxFileName));
        }
        container = self ? mailbox : plain;
    }
    return container;
}

MailboxPaths AppleMailLayout::mailboxPaths(const std::string& directory,
                                           const model::MAPIFolder& folder,
                                           bool readUnreadSeparated) const {
    if (readUnreadSeparated) {
        return OutputLayout::mailboxPaths(directory, folder, readUnreadSeparated);
    }
    return {JoinPath(directory, kMailboxFileName), std::nullopt};
}

}  // namespace mailwright::exporting
