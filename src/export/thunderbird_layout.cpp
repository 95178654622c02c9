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

std::string ThunderbirdLayout::pstContainer(const std::string& base,
                                            const std::string& pstName) const {
    const std::string mailbox = JoinPath(base, AvoidReservedEnding(pstName, kReservedEndings));
    EnsureFile(mailbox);
    return subfolders_of(mailbox);
}

std::string ThunderbirdLayout::folderStep(const std::string& container,
                                          const std::string& folderName, bool self) const {
    const std::string mailbox = JoinPath(container, mailbox_name(folderName));
    EnsureFile(mailbox);
    return self ? container : subfolders_of(mailbox);
}

std::string ThunderbirdLayout::mailboxFileName(const model::MAPIFolder& folder) const {
    return mailbox_name(folder.folderName());
}

}  // namespace mailwright::exporting
