// The mail layouts of the application destinations: where each of a run's
// mail folders gets its mailbox when the output is to be imported by
// Thunderbird, Apple Mail or Outlook for Mac. Every name made from PST text
// is a safe name (export/safe_name.h).
#pragma once

#include <string>
#include <utility>

#include "export/output_layout.h"

namespace mailwright::exporting {

// Thunderbird's local folders (ExportPacking 2): a mailbox file without
// extension per folder, and beside it a folder "<name>.sbd" holding the
// mailboxes of its subfolders. Under the mail base folder comes an empty
// mailbox named after the PST file with its ".sbd" folder, and every folder
// on the way down to a converted folder exists as a mailbox file, empty
// unless that folder was converted itself.
class ThunderbirdLayout : public OutputLayout {
public:
    // `mailBase` is the run's mail base folder, where the run-wide mailbox
    // "Calendar References" of the calendar items' reference mails goes.
    explicit ThunderbirdLayout(std::string mailBase = {}) : m_mailBase(std::move(mailBase)) {}

    std::optional<std::string> mailDirectory(const std::shared_ptr<model::MAPIFolder>& folder,
                                             const std::string& base,
                                             std::int32_t pstSuffix) const override;
    MailboxPaths mailboxPaths(const std::string& directory, const model::MAPIFolder& folder,
                              bool readUnreadSeparated) const override;
    std::optional<CalendarPaths> calendarPaths(const std::shared_ptr<model::MAPIFolder>& folder,
                                               const std::string& base, std::int32_t pstSuffix,
                                               bool merge, bool mailboxReferences) const override;

private:
    std::string m_mailBase;
    // The run-wide reference mailbox, named by the run's first calendar
    // folder.
    mutable std::optional<std::string> m_referenceMailbox;
};

// Apple Mail (ExportPacking 1): a folder named after the PST file, and in
// it, for every folder on the way to a converted folder, a mailbox folder
// "<name>.mbox" holding the file "mbox" (empty for a folder that was not
// converted itself) and, for a folder with converted subfolders, a plain
// folder "<name>" holding their mailboxes.
class AppleMailLayout : public OutputLayout {
public:
    // `mailBase` is the run's mail base folder, where the run-wide mailbox
    // folder "Calendar References.mbox" of the reference mails goes.
    explicit AppleMailLayout(std::string mailBase = {}) : m_mailBase(std::move(mailBase)) {}

    std::optional<std::string> mailDirectory(const std::shared_ptr<model::MAPIFolder>& folder,
                                             const std::string& base,
                                             std::int32_t pstSuffix) const override;
    MailboxPaths mailboxPaths(const std::string& directory, const model::MAPIFolder& folder,
                              bool readUnreadSeparated) const override;
    std::optional<CalendarPaths> calendarPaths(const std::shared_ptr<model::MAPIFolder>& folder,
                                               const std::string& base, std::int32_t pstSuffix,
                                               bool merge, bool mailboxReferences) const override;

private:
    std::string m_mailBase;
    // The run-wide reference mailbox, named by the run's first calendar
    // folder.
    mutable std::optional<std::string> m_referenceMailbox;
};

// The mail of an Outlook for Mac archive package (ExportPacking 0): the
// folder tree that mirrors the PST, one mailbox "<name>.mbox" per folder,
// never split, each marked with the type code 'MBOX' and the creator code
// 'OPIM'.
class OutlookArchiveLayout : public SeparateFilesLayout {
public:
    // `mailBase` is the run's mail base folder, where each calendar
    // folder's reference mailbox goes in the folder tree of the mail.
    explicit OutlookArchiveLayout(std::string mailBase = {}) : m_mailBase(std::move(mailBase)) {}

    bool splitsMailboxes() const override { return false; }
    std::optional<FileTypeCodes> mailboxFileCodes() const override;
    // One file per event straight in the calendar base folder.
    std::optional<CalendarPaths> calendarPaths(const std::shared_ptr<model::MAPIFolder>& folder,
                                               const std::string& base, std::int32_t pstSuffix,
                                               bool merge, bool mailboxReferences) const override;

private:
    std::string m_mailBase;
};

// The type and creator codes of the package's files.
constexpr std::uint32_t kFileTypeMBOX = 0x4D424F58;  // 'MBOX'
constexpr std::uint32_t kFileTypeTEXT = 0x54455854;  // 'TEXT'
constexpr std::uint32_t kCreatorOPIM = 0x4F50494D;   // 'OPIM'

}  // namespace mailwright::exporting
