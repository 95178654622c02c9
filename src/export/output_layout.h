// Where a run puts each file: the one place that knows the output layout of
// a destination. The exporters ask it for a folder's output directory and
// the files in it; each destination (ExportPacking) has its own layout.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace mailwright::model {
class MAPIFolder;
}

namespace mailwright::exporting {

// The mailbox files of one mail folder.
struct MailboxPaths {
    std::string main;                   // the folder's mailbox, or its read mails
    std::optional<std::string> unread;  // with read and unread mail separated
};

// The folders that receive one mail folder's message files.
struct MessageFileFolders {
    std::string read;
    std::string unread;  // the same as `read` unless separated
};

// File type and creator codes, stored where the file system allows.
struct FileTypeCodes {
    std::uint32_t type = 0;
    std::uint32_t creator = 0;
};

// The outputs of one calendar folder.
struct CalendarPaths {
    std::string directory;                  // the folder's output directory
    std::optional<std::string> mergedFile;  // every event in one file
    // The merged file is the run's one calendar, which every calendar
    // folder of the run adds to and the run's end writes.
    bool runWide = false;
    std::string eventsFolder;  // else one file per event here
    // The files in `eventsFolder` are named by the run's item number
    // (ArchiveItemName), one calendar with all of an item's events each.
    bool archiveNames = false;
    std::optional<std::string> referenceMailbox;  // reference mails in one mailbox
    std::optional<FileTypeCodes> referenceCodes;  // given to that mailbox
    std::optional<std::string> referenceFolder;   // else one mail file each here
    std::string referencePlace;                   // where event notes say the mails are
};

class OutputLayout {
public:
    virtual ~OutputLayout() = default;

    // The directory of a mail folder's output under `base` (the run's mail
    // base folder), made on disk; nothing when `base` does not exist.
    // `pstSuffix` is the run's PST suffix, -1 for none.
    virtual std::optional<std::string> mailDirectory(
        const std::shared_ptr<model::MAPIFolder>& folder, const std::string& base,
        std::int32_t pstSuffix) const = 0;

    // The mailbox file(s) of a folder in its directory.
    virtual MailboxPaths mailboxPaths(const std::string& directory, const model::MAPIFolder& folder,
                                      bool readUnreadSeparated) const;

    // The folders of a folder's message files ("Read Mails" and "Unread
    // Mails" when separated, created), in its directory.
    virtual MessageFileFolders messageFileFolders(const std::string& directory,
                                                  bool readUnreadSeparated) const;

    // The outputs of a calendar folder under `base` (the run's calendar
    // base folder), folders made on disk; nothing when the destination has
    // no calendar layout or `base` does not exist.
    virtual std::optional<CalendarPaths> calendarPaths(
        const std::shared_ptr<model::MAPIFolder>& /*folder*/, const std::string& /*base*/,
        std::int32_t /*pstSuffix*/, bool /*merge*/, bool /*mailboxReferences*/) const {
        return std::nullopt;
    }
    // The outputs of the appointments among the items of a mail or
    // contacts folder, whose own output is in `directory`: here beside that
    // output, one "Calendar Events.ics" when merged, else one file per
    // event in "Events", and the reference mails as one mail file each in
    // "Calendar References" (the folder's mailbox is its mail's), folders
    // made on disk when first needed. Nothing when they cannot be made.
    virtual std::optional<CalendarPaths> calendarPathsBeside(
        const std::shared_ptr<model::MAPIFolder>& folder, const std::string& directory,
        std::int32_t pstSuffix, bool merge) const;
    // The directory of the contacts among the items of a mail or calendar
    // folder whose own output is in `directory`: here that directory.
    virtual std::optional<std::string> contactDirectoryBeside(const std::string& directory) const {
        return directory;
    }
    // The directory of a contacts folder's output under `base` (the run's
    // contacts base folder), made on disk; nothing when `base` does not
    // exist.
    virtual std::optional<std::string> contactDirectory(
        const std::shared_ptr<model::MAPIFolder>& folder, const std::string& base,
        std::int32_t pstSuffix) const;
    // The file of all of a folder's contacts when they are merged, in its
    // directory: the folder name as it is (only "/" and NUL, which cannot
    // stand in a file name, are replaced) with ".vcf".
    virtual std::string mergedContactsPath(const std::string& directory,
                                           const model::MAPIFolder& folder) const;
    // Whether unmerged contacts get the run's numbered file names
    // (ArchiveItemName) instead of their names and numbers in the folder.
    virtual bool archiveContactNames() const { return false; }
    // The contact style (MIMEContactWriter) of this destination.
    virtual std::uint32_t contactStyle() const { return 0; }

    // Whether mailboxes are split at the run's size limit.
    virtual bool splitsMailboxes() const { return false; }
    // The codes given to every mailbox file, if any.
    virtual std::optional<FileTypeCodes> mailboxFileCodes() const { return std::nullopt; }
};

// Separate files (ExportPacking 3): a folder tree that mirrors the PST, one
// mailbox "<folder>.mbox" or one message file per message in each folder.
class SeparateFilesLayout : public OutputLayout {
public:
    std::optional<std::string> mailDirectory(const std::shared_ptr<model::MAPIFolder>& folder,
                                             const std::string& base,
                                             std::int32_t pstSuffix) const override;
    std::optional<CalendarPaths> calendarPaths(const std::shared_ptr<model::MAPIFolder>& folder,
                                               const std::string& base, std::int32_t pstSuffix,
                                               bool merge, bool mailboxReferences) const override;
    bool splitsMailboxes() const override { return true; }
};

// A run's output folders (the settings' four output paths). The
// application layouts put run-wide files into them and make, in `output`,
// those of kinds the run did not select when items of such a kind turn up.
struct OutputFolders {
    std::string output;
    std::string mails;
    std::string contacts;
    std::string calendar;
};

// The layout of a destination; null for one that has none yet.
std::unique_ptr<OutputLayout> MakeOutputLayout(std::int32_t exportPacking,
                                               OutputFolders folders = {});

}  // namespace mailwright::exporting
