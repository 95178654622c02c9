#include "ui/logic/kind_boxes.h"

namespace mailwright::ui {
namespace {

void updateBox(const TreeNode& root, std::int32_t containerClass, KindBox& box) {
    const int state = GetSelectedForTreeNode(root, containerClass);
    box.enabled = state != kNoRowOfClass;
    if (box.enabled) {
        box.state = state;
    } else {
        box.state = kAllOff;
    }
}

}  // namespace

void UpdateAllItemStatusForContainerClass(const TreeNode& root, std::int32_t changedClass,
                                          KindBoxes& boxes) {
    if (changedClass == kClassStore || changedClass == kClassMail) {
        updateBox(root, kClassMail, boxes.allMails);
    }
    if (changedClass == kClassStore || changedClass == kClassContacts) {
        updateBox(root, kClassContacts, boxes.allContacts);
    }
    if (changedClass == kClassStore || changedClass == kClassCalendar) {
        updateBox(root, kClassCalendar, boxes.allCalendar);
    }
}

void ApplyKindBox(TreeNode& root, std::int32_t containerClass, int state) {
    if (state != kAllOn && state != kAllOff) {
        return;
    }
    for (TreeNode* session : root.children()) {
        SetSelectedForTreeNode(*session, state == kAllOn, containerClass, true);
    }
}

void TickRow(TreeNode& root, TreeNode& row, bool value, bool excludeSubfolders, KindBoxes& boxes) {
    SetSelectedForTreeNode(row, value, kClassAny, !excludeSubfolders);
    // A deep change can touch rows of every kind below the row.
    UpdateAllItemStatusForContainerClass(
        root, excludeSubfolders ? row.treeNodeContainerClass : kClassStore, boxes);
}

}  // namespace mailwright::ui
