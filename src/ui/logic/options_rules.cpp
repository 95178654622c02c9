#include "ui/logic/options_rules.h"

#include "export/export_settings.h"

namespace mailwright::ui {
namespace {

// A kind counts as selected when it has rows and is on or mixed.
bool kindSelected(const KindBox& box) {
    return box.enabled && box.state != kAllOff;
}

void keepIndexInMenu(OptionsState& options) {
    const auto size = static_cast<std::int32_t>(options.selectedOptionsArray.size());
    if (options.destinationTypeOptions >= size) {
        options.destinationTypeOptions = size - 1;
    }
    if (options.destinationTypeOptions < 0) {
        options.destinationTypeOptions = 0;
    }
}

}  // namespace

const OptionMenuItem* OptionsState::chosenEntry() const {
    if (destinationTypeOptions < 0 ||
        destinationTypeOptions >= static_cast<std::int32_t>(selectedOptionsArray.size())) {
        return nullptr;
    }
    return &selectedOptionsArray[static_cast<std::size_t>(destinationTypeOptions)];
}

void EvaluateOptions(OptionsState& options, bool actionChanged) {
    if (actionChanged) {
        options.destinationTypeOptions = 0;
    }
    const bool m = kindSelected(options.kinds.allMails);
    const bool c = kindSelected(options.kinds.allContacts);
    const bool k = kindSelected(options.kinds.allCalendar);

    options.selectedOptionsArray = options.actionOption != kActionImportMenu
                                       ? buildConvertMenuForMails(m, c, k)
                                       : buildImportMenuForMails(m, c, k);
    keepIndexInMenu(options);

    options.actionOptionEnabled = m || c || k;
    options.destinationTypeOptionEnabled = options.actionOptionEnabled;
    options.startButtonEnabled = options.destinationTypeOptionEnabled;

    const OptionMenuItem* chosen =
        options.destinationTypeOptionEnabled ? options.chosenEntry() : nullptr;
    const std::int32_t p = chosen != nullptr ? chosen->packingType : kNoPacking;
    const bool converting = options.actionOption == kActionConvert;

    options.saveReadUnreadEnabled = m && p >= exporting::kPackingSeparateFiles;
    options.mergeContactsEnabled = converting && c && p == exporting::kPackingSeparateFiles;
    options.mergeCalendarEventsEnabled = converting && k && p == exporting::kPackingSeparateFiles;
    options.splitMBOXFilesEnabled = (m || k) && chosen != nullptr &&
                                    chosen->mailFormat == exporting::kMailFormatMBOX &&
                                    p == exporting::kPackingSeparateFiles;
}

}  // namespace mailwright::ui
