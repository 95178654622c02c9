// The settings a destination fixes whatever the user chose: the application
// destinations take unsplit MBOX mailboxes without read and unread mail
// apart; Apple's and Thunderbird's take all contacts and all calendar items
// of a run in one file each, the Outlook archive one file per item; each
// application gets contacts in the contact style of its layout.
#pragma once

#include "export/export_settings.h"

namespace mailwright::targets {

// Sets the fields that settings.ExportPacking fixes; separate files fix
// nothing.
void ForceTargetSettings(exporting::_ExportSettings& settings);

}  // namespace mailwright::targets
