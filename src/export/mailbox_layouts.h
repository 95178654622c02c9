// The mail layouts of the application destinations: where each of a run's
// mail folders gets its mailbox when the output is to be imported by
// Thunderbird, Apple Mail or Outlook for Mac. Every name made from PST text
// is a safe name (export/safe_name.h).
#pragma once

#include <string>
#include <utility>

#include "export/application_folders.h"
#include "export/output_layout.h"

namespace mailwright::exporting {

// What the Thunderbird and Apple layouts share. Mail: every folder on the
// way from the PST file down to a converted folder exists as a mailbox of
// the destination's form, empty unless that folder was converted itself.
// Contacts and calendar items: the contacts of the whole run in one
// "Contacts.vcf" and its calendar items in one "Calendar.ics", straight in
// the contacts and calendar base folders, and the reference mails of the
// whole run in one mailbox in the mail base folder. The first folder that
// needs one of these files picks its first free name ("Contacts (1).vcf"
// and so on when the plain name is taken); later folders of the run use the
// same file. Contacts and appointments among the items of other folders go
// into the same run-wide files; when the run selected no folder of their
// kind, their base folder is made in the output folder on the first such
// item. One layout object serves one run.
class ApplicationLayout : public OutputLayout {
public:
    explicit ApplicationLayout(OutputFolders folders) : m_folders(std::move(folders)) {}

    std::optional<std::string> mailDirectory(const std::shared_ptr<model::MAPIFolder>& folder,
                                             const std::string& base,
                                             std::int32_t pstSuffix) const final;
    MailboxPaths mailboxPaths(const std::string& directory, const model::MAPIFolder& folder,
                              bool readUnreadSeparated) const final;
    std::optional<std::string> contactDirectory(const std::shared_ptr<model::MAPIFolder>& folder,
                                                const std::string& base,
                                                std::int32_t pstSuffix) const override;
    std::string mergedContactsPath(const std::string& directory,
                                   const model::MAPIFolder& folder) const override;
    std::optional<CalendarPaths> calendarPaths(const std::shared_ptr<model::MAPIFolder>& folder,
                                               const std::string& base, std::int32_t pstSuffix,
                                               bool merge, bool mailboxReferences) const override;
    std::optional<CalendarPaths> calendarPathsBeside(
        const std::shared_ptr<model::MAPIFolder>& folder, const std::string& directory,
        std::int32_t pstSuffix, bool merge) const override;
    std::optional<std::string> contactDirectoryBeside(const std::string& directory) const override;

protected:
    // The folder that holds the mailboxes of a PST file's top folders, for
    // the PST file's output name `pstName`, made in `base`.
    virtual std::string pstContainer(const std::string& base, const std::string& pstName) const = 0;
    // Makes the mailbox of the folder `folderName` in `container`. For the
    // converted folder itself (`self`) returns the folder that holds its
    // mailbox file, else the one that holds its subfolders' mailboxes.
    virtual std::string folderStep(const std::string& container, const std::string& folderName,
                                   bool self) const = 0;
    // The mailbox file of a folder in the directory mailDirectory gave.
    virtual std::string mailboxFileName(const model::MAPIFolder& folder) const = 0;
    // The run's reference mailbox in the mail base folder, made on disk
    // when its name is picked; `referencePlace` is set to its name as the
    // events' notes give it.
    virtual std::string referenceMailbox(CalendarPaths& paths) const = 0;
    // Makes the mail base folder in the output folder.
    virtual MadePath makeMailBase(const std::string& output) const = 0;

    const std::string& mailBase() const { return m_folders.mails; }

private:
    // The base folder `base`, made in the output folder as `name` when the
    // run has none yet; false when it cannot be made.
    bool ensureBase(std::string& base, const char* name) const;

    mutable OutputFolders m_folders;
    mutable std::optional<std::string> m_contactsFile;
    mutable std::optional<std::string> m_calendarFile;
};

// Thunderbird's local folders (ExportPacking 2): a mailbox file without
// extension per folder, and beside it a folder "<name>.sbd" holding the
// mailboxes of its subfolders. Under the mail base folder comes an empty
// mailbox named after the PST file with its ".sbd" folder. The reference
// mails go into the mailbox file "Calendar References" beside the PST
// mailboxes.
class ThunderbirdLayout : public ApplicationLayout {
public:
    explicit ThunderbirdLayout(OutputFolders folders = {})
        : ApplicationLayout(std::move(folders)) {}

protected:
    std::string pstContainer(const std::string& base, const std::string& pstName) const override;
    std::string folderStep(const std::string& container, const std::string& folderName,
                           bool self) const override;
    std::string mailboxFileName(const model::MAPIFolder& folder) const override;
    std::string referenceMailbox(CalendarPaths& paths) const override;
    MadePath makeMailBase(const std::string& output) const override;

private:
    mutable std::optional<std::string> m_referenceMailbox;
};

// Apple Mail (ExportPacking 1): a folder named after the PST file, and in
// it, for every folder on the way to a converted folder, a mailbox folder
// "<name>.mbox" holding the file "mbox" (empty for a folder that was not
// converted itself) and, for a folder with converted subfolders, a plain
// folder "<name>" holding their mailboxes. The reference mails go into the
// mailbox folder "Calendar References.mbox"; the contacts are written for
// Apple's address book (contact style 1).
class AppleMailLayout : public ApplicationLayout {
public:
    explicit AppleMailLayout(OutputFolders folders = {}) : ApplicationLayout(std::move(folders)) {}

    std::uint32_t contactStyle() const override { return 1; }

protected:
    std::string pstContainer(const std::string& base, const std::string& pstName) const override;
    std::string folderStep(const std::string& container, const std::string& folderName,
                           bool self) const override;
    std::string mailboxFileName(const model::MAPIFolder& folder) const override;
    std::string referenceMailbox(CalendarPaths& paths) const override;
    MadePath makeMailBase(const std::string& output) const override;

private:
    mutable std::optional<std::string> m_referenceFolder;
};

// The mail of an Outlook for Mac archive package (ExportPacking 0): the
// folder tree that mirrors the PST, one mailbox "<name>.mbox" per folder,
// never split, each marked with the type code 'MBOX' and the creator code
// 'OPIM'.
//
// Contacts and calendar items go one per file straight into the package's
// "Contacts" and "Calendar" folders, named by their number in the run
// (ArchiveItemName); the contacts in contact style 2. Each calendar
// folder's reference mails go into its mailbox in the mail tree; those of
// the appointments among a mail or contacts folder's items into a mailbox
// "Calendar References.mbox" in that folder's directory.
class OutlookArchiveLayout : public SeparateFilesLayout {
public:
    explicit OutlookArchiveLayout(OutputFolders folders = {}) : m_folders(std::move(folders)) {}

    bool splitsMailboxes() const override { return false; }
    std::optional<FileTypeCodes> mailboxFileCodes() const override;
    std::optional<std::string> contactDirectory(const std::shared_ptr<model::MAPIFolder>& folder,
                                                const std::string& base,
                                                std::int32_t pstSuffix) const override;
    bool archiveContactNames() const override { return true; }
    std::uint32_t contactStyle() const override { return 2; }
    // One file per item straight in the calendar base folder.
    std::optional<CalendarPaths> calendarPaths(const std::shared_ptr<model::MAPIFolder>& folder,
                                               const std::string& base, std::int32_t pstSuffix,
                                               bool merge, bool mailboxReferences) const override;
    std::optional<CalendarPaths> calendarPathsBeside(
        const std::shared_ptr<model::MAPIFolder>& folder, const std::string& directory,
        std::int32_t pstSuffix, bool merge) const override;
    std::optional<std::string> contactDirectoryBeside(const std::string& directory) const override;

private:
    // Events named by the run's item number in the calendar base folder,
    // with the reference mails in `referenceMailbox`, named `place` in the
    // notes.
    CalendarPaths archivePaths(const std::string& referenceMailbox, const std::string& place) const;

    OutputFolders m_folders;
};

// The type and creator codes of the package's files.
constexpr std::uint32_t kFileTypeMBOX = 0x4D424F58;  // 'MBOX'
constexpr std::uint32_t kFileTypeTEXT = 0x54455854;  // 'TEXT'
constexpr std::uint32_t kCreatorOPIM = 0x4F50494D;   // 'OPIM'

}  // namespace mailwright::exporting
