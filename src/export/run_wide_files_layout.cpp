// The run-wide files of the Thunderbird and Apple layouts. Their address
// books and calendar programs import one file of all contacts and one file
// of all events, wherever in the PST the items were; the reference mails of
// the whole run go into one mailbox beside the PST mailboxes, which the
// events' notes name as "[Imported Mails]/<mailbox>".
#include <filesystem>
#include <system_error>

#include "export/mailbox_layouts.h"
#include "export/output_paths.h"
#include "platform/system_log.h"

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

std::optional<std::string> ApplicationLayout::contactDirectory(
    const std::shared_ptr<model::MAPIFolder>& /*folder*/, const std::string& base,
    std::int32_t /*pstSuffix*/) const {
    return is_directory(base) ? std::optional(base) : std::nullopt;
}

std::string ApplicationLayout::mergedContactsPath(const std::string& directory,
                                                  const model::MAPIFolder& /*folder*/) const {
    if (!m_contactsFile) {
        m_contactsFile = UniquePath(directory, "Contacts", "vcf");
    }
    return *m_contactsFile;
}

std::optional<CalendarPaths> ApplicationLayout::calendarPaths(
    const std::shared_ptr<model::MAPIFolder>& /*folder*/, const std::string& base,
    std::int32_t /*pstSuffix*/, bool /*merge*/, bool /*mailboxReferences*/) const {
    if (!is_directory(base) || !is_directory(mailBase())) {
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

std::optional<CalendarPaths> ApplicationLayout::calendarPathsBeside(
    const std::shared_ptr<model::MAPIFolder>& folder, const std::string& /*directory*/,
    std::int32_t pstSuffix, bool merge) const {
    if (m_folders.mails.empty() && !m_folders.output.empty()) {
        const MadePath made = makeMailBase(m_folders.output);
        if (!made.made()) {
            platform::log_line("Cannot create " + made.path + ": " + made.error.message());
            return std::nullopt;
        }
        m_folders.mails = made.path;
    }
    if (!ensureBase(m_folders.calendar, "Calendar Events")) {
        return std::nullopt;
    }
    return calendarPaths(folder, m_folders.calendar, pstSuffix, merge, true);
}

std::optional<std::string> ApplicationLayout::contactDirectoryBeside(
    const std::string& /*directory*/) const {
    if (!ensureBase(m_folders.contacts, "Contacts")) {
        return std::nullopt;
    }
    return contactDirectory(nullptr, m_folders.contacts, -1);
}

bool ApplicationLayout::ensureBase(std::string& base, const char* name) const {
    if (!base.empty() || m_folders.output.empty()) {
        return !base.empty();
    }
    const MadePath made = MakeUniqueFolder(m_folders.output, name);
    if (!made.made()) {
        platform::log_line("Cannot create " + made.path + ": " + made.error.message());
        return false;
    }
    base = made.path;
    return true;
}

MadePath ThunderbirdLayout::makeMailBase(const std::string& output) const {
    return MakeThunderbirdMailBase(output);
}

MadePath AppleMailLayout::makeMailBase(const std::string& output) const {
    return MakeAppleMailBase(output);
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
