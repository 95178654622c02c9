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
    // Each application reads the contact details it has no vCard property
    // for in its own way.
    settings.ContactStyle = exporting::kContactStyleOfLayout;
    settings.MailFormat = exporting::kMailFormatMBOX;
    settings.MaxMBOXSizeInMB = 0;
    settings.ReadUnreadSeparated = false;
}

}  // namespace mailwright::targets
