// Where the separate-files layout puts a calendar folder: in the folder's
// directory either one "Calendar Events.ics" or one file per event in
// "Events", and the reference mails either in the mailbox
// "<folder>.mbox" or as one file each in "Calendar References".
#include <filesystem>
#include <system_error>

#include "export/output_layout.h"
#include "export/output_paths.h"
#include "export/safe_name.h"
#include "model/mapi_folder.h"

namespace mailwright::exporting {

std::optional<CalendarPaths> SeparateFilesLayout::calendarPaths(
    const std::shared_ptr<model::MAPIFolder>& folder, const std::string& base,
    std::int32_t pstSuffix, bool merge, bool mailboxReferences) const {
    const auto directory = FolderHierarchy(folder, base, pstSuffix);
    if (!directory) {
        return std::nullopt;
    }
    CalendarPaths paths;
    paths.directory = *directory;
    std::error_code ignored;
    if (merge) {
        paths.mergedFile = UniquePath(*directory, "Calendar Events", "ics");
    } else {
        paths.eventsFolder = JoinPath(*directory, "Events");
        std::filesystem::create_directory(paths.eventsFolder, ignored);
    }
    const std::string safeName = SafeName(folder->folderName());
    if (mailboxReferences) {
        paths.referenceMailbox = JoinPath(*directory, safeName + ".mbox");
        paths.referencePlace = safeName + ".mbox";
    } else {
        paths.referenceFolder = JoinPath(*directory, "Calendar References");
        std::filesystem::create_directory(*paths.referenceFolder, ignored);
        paths.referencePlace = "Calendar References Folder";
    }
    return paths;
}

}  // namespace mailwright::exporting
