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

std::string AppleMailLayout::pstContainer(const std::string& base,
                                          const std::string& pstName) const {
    const std::string container = JoinPath(base, pstName);
    make_folder(container);
    return container;
}

std::string AppleMailLayout::folderStep(const std::string& container, const std::string& folderName,
                                        bool self) const {
    const std::string plain =
        JoinPath(container, AvoidReservedEnding(SafeName(folderName), kReservedEndings));
    const std::string mailbox = plain + ".mbox";
    if (!self) {
        make_folder(plain);
    }
    std::error_code error;
    if (!std::filesystem::exists(std::filesystem::symlink_status(mailbox, error)) &&
        make_folder(mailbox) && !self) {
        EnsureFile(JoinPath(mailbox, kMailboxFileName));
    }
    return self ? mailbox : plain;
}

std::string AppleMailLayout::mailboxFileName(const model::MAPIFolder& /*folder*/) const {
    return kMailboxFileName;
}

}  // namespace mailwright::exporting
