// Where the application destinations put a calendar folder's events and
// reference mails. Apple's and Thunderbird's calendar programs import one
// file "Calendar.ics" per calendar ("Calendar (1).ics" when the name is
// taken) in the calendar base folder, and the reference mails of the whole
// run go into one mailbox beside the PST mailboxes, whose first free name
// the run's first calendar folder chooses. The Outlook archive takes one
// file per event in its "Calendar" folder and a reference mailbox per
// folder in the mail tree.
#include <filesystem>
#include <system_error>

#include "export/mailbox_layouts.h"
#include "export/output_paths.h"
#include "export/safe_name.h"
#include "model/mapi_folder.h"

namespace mailwright::exporting {
namespace {

constexpr const char* kImportedMails = "[Imported Mails]/";

bool is_directory(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_directory(path, error);
}

// The events of a folder in one new "Calendar.ics" (first free name).
std::optional<CalendarPaths> one_calendar_file(const std::string& base) {
    if (!is_directory(base)) {
        return std::nullopt;
    }
    CalendarPaths paths;
    paths.directory = base;
    paths.mergedFile = UniquePath(base, "Calendar", "ics");
    return paths;
}

}  // namespace

std::optional<CalendarPaths> ThunderbirdLayout::calendarPaths(
    const std::shared_ptr<model::MAPIFolder>& /*folder*/, const std::string& base,
    std::int32_t /*pstSuffix*/, bool /*merge*/, bool /*mailboxReferences*/) const {
    auto paths = one_calendar_file(base);
    if (!paths || !is_directory(m_mailBase)) {
        return std::nullopt;
    }
    if (!m_referenceMailbox) {
        m_referenceMailbox = UniquePath(m_mailBase, "Calendar References");
    }
    paths->referenceMailbox = *m_referenceMailbox;
    paths->referencePlace =
        kImportedMails + std::filesystem::path(*m_referenceMailbox).filename().string();
    return paths;
}

std::optional<CalendarPaths> AppleMailLayout::calendarPaths(
    const std::shared_ptr<model::MAPIFolder>& /*folder*/, const std::string& base,
    std::int32_t /*pstSuffix*/, bool /*merge*/, bool /*mailboxReferences*/) const {
    auto paths = one_calendar_file(base);
    if (!paths || !is_directory(m_mailBase)) {
        return std::nullopt;
    }
    if (!m_referenceMailbox) {
        m_referenceMailbox = UniquePath(m_mailBase, "Calendar References", "mbox");
        std::error_code ignored;
        std::filesystem::create_directory(*m_referenceMailbox, ignored);
    }
    paths->referenceMailbox = JoinPath(*m_referenceMailbox, "mbox");
    paths->referencePlace =
        kImportedMails + std::filesystem::path(*m_referenceMailbox).filename().string();
    return paths;
}

std::optional<CalendarPaths> OutlookArchiveLayout::calendarPaths(
    const std::shared_ptr<model::MAPIFolder>& folder, const std::string& base,
    std::int32_t pstSuffix, bool /*merge*/, bool /*mailboxReferences*/) const {
    const auto mailDirectory = FolderHierarchy(folder, m_mailBase, pstSuffix);
    if (!is_directory(base) || !mailDirectory) {
        return std::nullopt;
    }
    CalendarPaths paths;
    paths.directory = paths.eventsFolder = base;
    const std::string name = SafeName(folder->folderName());
    paths.referenceMailbox = JoinPath(*mailDirectory, name + ".mbox");
    paths.referencePlace = kImportedMails + name;
    return paths;
}

}  // namespace mailwright::exporting
