// The three kind check boxes of the options (all mail, all contacts, all
// calendar) as the tree drives them and as they drive the tree.
#pragma once

#include <cstdint>

#include "ui/logic/folder_tree.h"

namespace mailwright::ui {

struct KindBox {
    // kAllOn, kAllOff or kMixed.
    int state = kAllOff;
    // False when no open file has a folder of the kind.
    bool enabled = false;
};

struct KindBoxes {
    KindBox allMails;
    KindBox allContacts;
    KindBox allCalendar;
};

// Recomputes the boxes a change of class `changedClass` touches (1 all).
void UpdateAllItemStatusForContainerClass(const TreeNode& root, std::int32_t changedClass,
                                          KindBoxes& boxes);

// A kind box set to on or off by the user sets every folder of its class
// in every file; a mixed value changes nothing.
void ApplyKindBox(TreeNode& root, std::int32_t containerClass, int state);

// Ticking a folder row: deep unless the exclude-subfolders modifier is held.
void TickRow(TreeNode& root, TreeNode& row, bool value, bool excludeSubfolders, KindBoxes& boxes);

}  // namespace mailwright::ui
