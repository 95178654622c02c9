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
    const auto mailDirectory = FolderHierarchy(folder, m_folders.mails, pstSuffix);
    if (!mailDirectory) {
        return std::nullopt;
    }
    const std::string name = SafeName(folder->folderName());
    CalendarPaths paths = archivePaths(JoinPath(*mailDirectory, name + ".mbox"), name);
    paths.directory = paths.eventsFolder = base;
    return paths;
}

std::optional<CalendarPaths> OutlookArchiveLayout::calendarPathsBeside(
    const std::shared_ptr<model::MAPIFolder>& /*folder*/, const std::string& directory,
    std::int32_t /*pstSuffix*/, bool /*merge*/) const {
    // The folder's own mailbox in `directory` holds its mail: the reference
    // mails get a mailbox of their own beside it.
    if (!is_directory(m_folders.calendar) || !is_directory(directory)) {
        return std::nullopt;
    }
    const std::string mailbox = UniquePath(directory, "Calendar References", "mbox");
    return archivePaths(mailbox, std::filesystem::path(mailbox).stem().string());
}

std::optional<std::string> OutlookArchiveLayout::contactDirectoryBeside(
    const std::string& /*directory*/) const {
    return contactDirectory(nullptr, m_folders.contacts, -1);
}

CalendarPaths OutlookArchiveLayout::archivePaths(const std::string& referenceMailbox,
                                                 const std::string& place) const {
    CalendarPaths paths;
    paths.directory = paths.eventsFolder = m_folders.calendar;
    paths.archiveNames = true;
    paths.referenceMailbox = referenceMailbox;
    paths.referenceCodes = mailboxFileCodes();
    paths.referencePlace = "[Imported Mails]/" + place;
    return paths;
}

}  // namespace mailwright::exporting
