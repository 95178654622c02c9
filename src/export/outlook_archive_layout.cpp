// The mail of an Outlook for Mac archive package: the separate-files folder
// tree with one unsplit mailbox per folder, each marked as a mailbox of
// Outlook's.
#include "export/mailbox_layouts.h"

namespace mailwright::exporting {

std::optional<FileTypeCodes> OutlookArchiveLayout::mailboxFileCodes() const {
    return FileTypeCodes{kFileTypeMBOX, kCreatorOPIM};
}

}  // namespace mailwright::exporting
