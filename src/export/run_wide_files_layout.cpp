// The run-wide files of the Thunderbird and Apple layouts. Their address
// books and calendar programs import one file of all contacts and one file
// of all events; the reference mails of the whole run go into one mailbox
// beside the PST mailboxes, which the events' notes name as
// "[Imported Mails]/<mailbox>".
#include <filesystem>
#include <system_error>

#include "export/mailbox_layouts.h"
#include "export/output_paths.h"

namespace mailwright::exporting {
namespace {

constexpr const char* kImportedMails = "[Imported Mails]/";

bool is_directory(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_directory(path, error);
}

std::string file_name(const std::string& path) {
    return std::filesystem::path(path).filename().string();
}

}  // namespace

std::optional<std::string> RunWideFilesLayout::contactDirectory(
    const std::shared_ptr<model::MAPIFolder>& /*folder*/, const std::string& base,
    std::int32_t /*pstSuffix*/) const {
    return is_directory(base) ? std::optional(base) : std::nullopt;
}

std::string RunWideFilesLayout::mergedContactsPath(const std::string& directory,
                                                   const model::MAPIFolder& /*folder*/) const {
    if (!m_contactsFile) {
        m_contactsFile = UniquePath(directory, "Contacts", "vcf");
    }
    return *m_contactsFile;
}

std::optional<CalendarPaths> RunWideFilesLayout::calendarPaths(
    const std::shared_ptr<model::MAPIFolder>& /*folder*/, const std::string& base,
    std::int32_t /*pstSuffix*/, bool /*merge*/, bool /*mailboxReferences*/) const {
    if (!is_directory(base) || !is_directory(m_mailBase)) {
        return std::nullopt;
    }
    if (!m_calendarFile) {
        m_calendarFile = UniquePath(base, "Calendar", "ics");
    }
    CalendarPaths paths;
    paths.directory = base;
    paths.mergedFile = *m_calendarFile;
    paths.runWide = true;
    paths.referenceMailbox = referenceMailbox(paths);
    return paths;
}

std::string ThunderbirdLayout::referenceMailbox(CalendarPaths& paths) const {
    if (!m_referenceMailbox) {
        m_referenceMailbox = UniquePath(mailBase(), "Calendar References");
        EnsureFile(*m_referenceMailbox);
    }
    paths.referencePlace = kImportedMails + file_name(*m_referenceMailbox);
    return *m_referenceMailbox;
}

std::string AppleMailLayout::referenceMailbox(CalendarPaths& paths) const {
    if (!m_referenceFolder) {
        m_referenceFolder = UniquePath(mailBase(), "Calendar References", "mbox");
        std::error_code ignored;
        std::filesystem::create_directory(*m_referenceFolder, ignored);
    }
    paths.referencePlace = kImportedMails + file_name(*m_referenceFolder);
    return JoinPath(*m_referenceFolder, "mbox");
}

}  // namespace mailwright::exporting
