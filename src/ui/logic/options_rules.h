// The options panel without widgets: the kind check boxes as the tree sets
// them, the action and destination choice, the switches and what of it is
// enabled. `EvaluateOptions` applies the enabling rules after any change of
// the action, a kind value or a kind's enabled flag.
#pragma once

#include <cstdint>
#include <vector>

#include "ui/logic/destination_menus.h"
#include "ui/logic/kind_boxes.h"

namespace mailwright::ui {

// actionOption values.
constexpr std::int32_t kActionImportMenu = 0;
constexpr std::int32_t kActionConvert = 1;

// The packing type that stands for "no destination" while the menu is
// disabled.
constexpr std::int32_t kNoPacking = 4;

struct OptionsState {
    KindBoxes kinds;
    std::int32_t actionOption = kActionConvert;
    std::int32_t destinationTypeOptions = 0;
    std::vector<OptionMenuItem> selectedOptionsArray;

    bool actionOptionEnabled = false;
    bool destinationTypeOptionEnabled = false;
    bool startButtonEnabled = false;
    bool saveReadUnreadEnabled = false;
    bool mergeContactsEnabled = false;
    bool mergeCalendarEventsEnabled = false;
    bool splitMBOXFilesEnabled = false;

    // The chosen entry, null when the menu is empty.
    const OptionMenuItem* chosenEntry() const;
};

// Rebuilds the menu and the enabled flags; with `actionChanged` the
// destination goes back to the first entry.
void EvaluateOptions(OptionsState& options, bool actionChanged);

}  // namespace mailwright::ui
