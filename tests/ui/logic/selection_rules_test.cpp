#include <gtest/gtest.h>

#include "ui/logic/dropped_files.h"
#include "ui/logic/folder_tree.h"
#include "ui/logic/kind_boxes.h"

namespace mailwright::ui {
namespace {

TreeNode* add(TreeNode* parent, std::int32_t containerClass, const char* name, std::int64_t count) {
    return &parent->addChild(std::make_unique<TreeNode>(containerClass, name, count));
}

KindBoxes boxes(TreeNode& root) {
    KindBoxes b;
    UpdateAllItemStatusForContainerClass(root, kClassStore, b);
    return b;
}

// root > file > top > {Inbox(3) > Sub(0) > Deep(2), Sent(4), Contacts(1), Calendar(0)}
struct SampleTree {
    TreeNode root;
    TreeNode* file = add(&root, kClassSession, "a.pst", -1);
    TreeNode* top = add(file, kClassStore, "Top", 0);
    TreeNode* inbox = add(top, kClassMail, "Inbox", 3);
    TreeNode* sub = add(inbox, kClassMail, "Sub", 0);
    TreeNode* deep = add(sub, kClassMail, "Deep", 2);
    TreeNode* sent = add(top, kClassMail, "Sent", 4);
    TreeNode* contacts = add(top, kClassContacts, "Contacts", 1);
    TreeNode* calendar = add(top, kClassCalendar, "Calendar", 0);
};

// The window test ticks rows and kind boxes as a user does; these are the
// rules it does not reach: a mixed kind box, excluding subfolders, a row
// whose ticking takes its whole subtree.
TEST(SelectionRules, TickingRowsDrivesTheKindBoxes) {
    SampleTree t;
    KindBoxes b = boxes(t.root);
    TickRow(t.root, *t.sent, false, false, b);
    EXPECT_EQ(b.allMails.state, kMixed);
    EXPECT_EQ(b.allContacts.state, kAllOn);
    ApplyKindBox(t.root, kClassMail, kMixed);  // a mixed value changes nothing
    EXPECT_FALSE(t.sent->isSelected);
    EXPECT_TRUE(t.inbox->isSelected);

    TickRow(t.root, *t.inbox, false, true, b);  // without its subfolders
    EXPECT_FALSE(t.inbox->isSelected);
    EXPECT_TRUE(t.sub->isSelected);
    EXPECT_TRUE(t.deep->isSelected);
    TickRow(t.root, *t.top, false, false, b);
    EXPECT_FALSE(t.deep->isSelected);
    EXPECT_FALSE(t.calendar->isSelected);
    EXPECT_EQ(b.allMails.state, kAllOff);
    EXPECT_EQ(b.allCalendar.state, kAllOff);
}

TEST(SelectionRules, KindWithoutFoldersIsDisabled) {
    TreeNode root;
    add(add(add(&root, kClassSession, "b.pst", -1), kClassStore, "Top", 0), kClassMail, "Inbox", 1);
    const KindBoxes b = boxes(root);
    EXPECT_TRUE(b.allMails.enabled);
    EXPECT_FALSE(b.allContacts.enabled);
    EXPECT_FALSE(b.allCalendar.enabled);
}

TEST(SelectionRules, EmptyFoldersHideButParentsOfItemsStay) {
    SampleTree t;
    MarkEmptyChildrenForTreeNode(t.root);
    EXPECT_TRUE(t.sub->isLive);  // empty, but Deep has items
    EXPECT_FALSE(t.calendar->isLive);
    EXPECT_TRUE(t.file->isLive);

    std::vector<std::string> names;
    for (const TreeNode* row : getSelectedItems(t.root, true)) {
        names.push_back(row->name);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"Inbox", "Deep", "Sent", "Contacts"}));

    UnMarkEmptyChildrenForTreeNode(t.root);
    EXPECT_TRUE(t.calendar->isLive);
    EXPECT_EQ(getSelectedItems(t.root, false).size(), 7u);  // empty ones too
}

TEST(DroppedFiles, AcceptsMailboxFilesInAnyCaseOnceAndNamesTheRest) {
    const DroppedFiles files =
        FilterDroppedFiles({"/a/One.PST", "/a/two.ost", "/a/notes.txt", "/a/one.pst", "/a/pst"});
    EXPECT_EQ(files.accepted, (std::vector<std::string>{"/a/One.PST", "/a/two.ost"}));
    EXPECT_EQ(files.rejected, (std::vector<std::string>{"/a/notes.txt", "/a/pst"}));
    EXPECT_TRUE(IsAlreadyOpen("/A/TWO.ost", files.accepted));
    EXPECT_FALSE(IsAlreadyOpen("/a/three.pst", files.accepted));
}

}  // namespace
}  // namespace mailwright::ui
