// The Outlook for Mac archive package: the mail in the separate-files
// folder tree with one unsplit mailbox per folder, each marked as a mailbox
// of Outlook's; contacts and events one per file straight in their package
// folders; each calendar folder's reference mails in its mailbox in the
// mail tree, which the events' notes name as "[Imported Mails]/<folder>".
#include <filesystem>
#include <system_error>

#include "export/mailbox_layouts.h"
#include "export/output_paths.h"
#include "export/safe_name.h"
#include "model/mapi_folder.h"

namespace mailwright::exporting {
namespace {

bool is_directory(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_directory(path, error);
}

}  // namespace

std::optional<FileTypeCodes> OutlookArchiveLayout::mailboxFileCodes() const {
    return FileTypeCodes{kFileTypeMBOX, kCreatorOPIM};
}

std::optional<std::string> OutlookArchiveLayout::contactDirectory(
    const std::shared_ptr<model::MAPIFolder>& /*folder*/, const std::string& base,
    std::int32_t /*pstSuffix*/) const {
    return is_directory(base) ? std::optional(base) : std::nullopt;
}

std::optional<CalendarPaths> OutlookArchiveLayout::calendarPaths(
    const std::shared_ptr<model::MAPIFolder>& folder, const std::string& base,
    std::int32_t pstSuffix, bool /*merge*/, bool /*mailboxReferences*/) const {
    if (!is_directory(base)) {
        return std::nullopt;
    }
    const auto mailDirectory = FolderHierarchy(folder, m_mailBase, pstSuffix);
    if (!mailDirectory) {
        return std::nullopt;
    }
    CalendarPaths paths;
    paths.directory = paths.eventsFolder = base;
    paths.archiveNames = true;
    const std::string name = SafeName(folder->folderName());
    paths.referenceMailbox = JoinPath(*mailDirectory, name + ".mbox");
    paths.referenceCodes = mailboxFileCodes();
    paths.referencePlace = "[Imported Mails]/" + name;
    return paths;
}

}  // namespace mailwright::exporting
