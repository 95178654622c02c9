#include "targets/forced_settings.h"

namespace mailwright::targets {

void ForceTargetSettings(exporting::_ExportSettings& settings) {
    switch (settings.ExportPacking) {
        case exporting::kPackingThunderbird:
        case exporting::kPackingAppleApplications:
            settings.MergeContacts = true;
            settings.MergeCalendarEvents = true;
            break;
        case exporting::kPackingOutlookArchive:
            settings.MergeContacts = false;
            settings.MergeCalendarEvents = false;
            break;
        default:
            return;
    }
    settings.MailFormat = exporting::kMailFormatMBOX;
    settings.MaxMBOXSizeInMB = 0;
    settings.ReadUnreadSeparated = false;
}

}  // namespace mailwright::targets
