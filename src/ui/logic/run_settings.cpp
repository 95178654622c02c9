#include "ui/logic/run_settings.h"

#include "model/mapi_folder.h"

namespace mailwright::ui {

exporting::_ExportSettings MakeRunSettings(const OptionsState& options,
                                           const SwitchValues& switches, const TreeNode& root) {
    exporting::_ExportSettings settings;
    if (const OptionMenuItem* chosen = options.chosenEntry()) {
        settings.ExportPacking = chosen->packingType;
        settings.MailFormat = chosen->mailFormat;
    }
    settings.MergeContacts = options.mergeContactsEnabled && switches.mergeContacts;
    settings.MergeCalendarEvents =
        options.mergeCalendarEventsEnabled && switches.mergeCalendarEvents;
    // The split switch counts only where the destination offers it: an
    // application's mailbox is never split.
    settings.MaxMBOXSizeInMB =
        options.splitMBOXFilesEnabled && switches.splitMBOXFiles ? switches.maxMBOXSize : 0;
    settings.PreserveFolderHierarchy = true;
    settings.ReadUnreadSeparated = options.saveReadUnreadEnabled && switches.saveReadUnread;
    for (const TreeNode* row : getSelectedItems(root, switches.ignoreEmptyFolders)) {
        if (row->mapiFolder) {
            settings.ExportItems.push_back(row->mapiFolder);
        }
    }
    settings.ExportAction = kActionConvert;
    return settings;
}

}  // namespace mailwright::ui
