// The settings record of a run started from the window: the chosen
// destination, the switches that are enabled, the split size when splitting
// is on, and the ticked folders in tree order.
#pragma once

#include <cstdint>

#include "export/export_settings.h"
#include "ui/logic/folder_tree.h"
#include "ui/logic/options_rules.h"

namespace mailwright::ui {

// The switch values as the user left them; a switch counts only while the
// options enable it.
struct SwitchValues {
    bool saveReadUnread = false;
    bool mergeContacts = false;
    bool mergeCalendarEvents = false;
    bool splitMBOXFiles = false;
    std::int32_t maxMBOXSize = 0;  // megabytes
    bool ignoreEmptyFolders = false;
};

// The output paths stay empty: the destination's preparation sets them.
exporting::_ExportSettings MakeRunSettings(const OptionsState& options,
                                           const SwitchValues& switches, const TreeNode& root);

}  // namespace mailwright::ui
