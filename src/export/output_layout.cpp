#include "export/output_layout.h"

#include <filesystem>
#include <system_error>

#include "export/export_settings.h"
#include "export/mailbox_layouts.h"
#include "export/output_paths.h"
#include "export/safe_name.h"
#include "model/mapi_folder.h"

namespace mailwright::exporting {

MailboxPaths OutputLayout::mailboxPaths(const std::string& directory,
                                        const model::MAPIFolder& folder,
                                        bool readUnreadSeparated) const {
    if (readUnreadSeparated) {
        return {JoinPath(directory, "Read Mails.mbox"), JoinPath(directory, "Unread Mails.mbox")};
    }
    return {JoinPath(directory, SafeName(folder.folderName()) + ".mbox"), std::nullopt};
}

MessageFileFolders OutputLayout::messageFileFolders(const std::string& directory,
                                                    bool readUnreadSeparated) const {
    if (!readUnreadSeparated) {
        return {directory, directory};
    }
    MessageFileFolders folders{JoinPath(directory, "Read Mails"),
                               JoinPath(directory, "Unread Mails")};
    std::error_code ignored;
    std::filesystem::create_directory(folders.read, ignored);
    std::filesystem::create_directory(folders.unread, ignored);
    return folders;
}

std::optional<CalendarPaths> OutputLayout::calendarPathsBeside(
    const std::shared_ptr<model::MAPIFolder>& /*folder*/, const std::string& directory,
    std::int32_t /*pstSuffix*/, bool merge) const {
    CalendarPaths paths;
    paths.directory = directory;
    std::error_code ignored;
    if (merge) {
        paths.mergedFile = UniquePath(directory, "Calendar Events", "ics");
    } else {
        paths.eventsFolder = JoinPath(directory, "Events");
        std::filesystem::create_directory(paths.eventsFolder, ignored);
    }
    paths.referenceFolder = JoinPath(directory, "Calendar References");
    std::filesystem::create_directory(*paths.referenceFolder, ignored);
    paths.referencePlace = "Calendar References Folder";
    return paths;
}

std::optional<std::string> OutputLayout::contactDirectory(
    const std::shared_ptr<model::MAPIFolder>& folder, const std::string& base,
    std::int32_t pstSuffix) const {
    return FolderHierarchy(folder, base, pstSuffix);
}

std::string OutputLayout::mergedContactsPath(const std::string& directory,
                                             const model::MAPIFolder& folder) const {
    std::string name;
    for (const char c : folder.folderName()) {
        if (c == '/') {
            name += "\u2215";  // DIVISION SLASH, as in safe names
        } else if (c != '\0') {
            name += c;
        }
    }
    if (name.empty() || name == "." || name == "..") {
        name = "--------" + name;
    }
    return JoinPath(directory, name + ".vcf");
}

std::optional<std::string> SeparateFilesLayout::mailDirectory(
    const std::shared_ptr<model::MAPIFolder>& folder, const std::string& base,
    std::int32_t pstSuffix) const {
    return FolderHierarchy(folder, base, pstSuffix);
}

std::unique_ptr<OutputLayout> MakeOutputLayout(std::int32_t exportPacking, OutputFolders folders) {
    switch (exportPacking) {
        case kPackingSeparateFiles:
            return std::make_unique<SeparateFilesLayout>();
        case kPackingThunderbird:
            return std::make_unique<ThunderbirdLayout>(std::move(folders));
        case kPackingAppleApplications:
            return std::make_unique<AppleMailLayout>(std::move(folders));
        case kPackingOutlookArchive:
            return std::make_unique<OutlookArchiveLayout>(std::move(folders));
        default:
            return nullptr;
    }
}

}  // namespace mailwright::exporting
