#include <gtest/gtest.h>

#include "ui/logic/dropped_files.h"
#include "ui/logic/folder_tree.h"
#include "ui/logic/kind_boxes.h"

namespace mailwright::ui {
namespace {

// root > file > top(1) > {Inbox(5,3) > Sub(5,0) > Deep(5,2), Sent(5,4), Contacts(3,1),
// Calendar(2,0)}
struct SampleTree {
    TreeNode root;
    TreeNode* file;
    TreeNode* top;
    TreeNode* inbox;
    TreeNode* sub;
    TreeNode* deep;
    TreeNode* sent;
    TreeNode* contacts;
    TreeNode* calendar;

    SampleTree() {
        file = &root.addChild(std::make_unique<TreeNode>(kClassSession, "a.pst", -1));
        top = &file->addChild(std::make_unique<TreeNode>(kClassStore, "Top", 0));
        inbox = &top->addChild(std::make_unique<TreeNode>(kClassMail, "Inbox", 3));
        sub = &inbox->addChild(std::make_unique<TreeNode>(kClassMail, "Sub", 0));
        deep = &sub->addChild(std::make_unique<TreeNode>(kClassMail, "Deep", 2));
        sent = &top->addChild(std::make_unique<TreeNode>(kClassMail, "Sent", 4));
        contacts = &top->addChild(std::make_unique<TreeNode>(kClassContacts, "Contacts", 1));
        calendar = &top->addChild(std::make_unique<TreeNode>(kClassCalendar, "Calendar", 0));
    }
    KindBoxes boxes() const {
        KindBoxes b;
        UpdateAllItemStatusForContainerClass(root, kClassStore, b);
        return b;
    }
};

// The window test ticks rows and kind boxes as a user does; these are the
// rules it does not reach.
TEST(SelectionRules, TickingRowsDrivesTheKindBoxes) {
    SampleTree t;
    KindBoxes b = t.boxes();
    TickRow(t.root, *t.sent, false, false, b);
    EXPECT_EQ(b.allMails.state, kMixed);
    EXPECT_EQ(b.allContacts.state, kAllOn);
    ApplyKindBox(t.root, kClassMail, kMixed);  // a mixed value changes nothing
    EXPECT_FALSE(t.sent->isSelected);
    EXPECT_TRUE(t.inbox->isSelected);
}

TEST(SelectionRules, ExcludingSubfoldersChangesOnlyTheRow) {
    SampleTree t;
    KindBoxes b = t.boxes();
    TickRow(t.root, *t.inbox, false, true, b);
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
    TreeNode& file = root.addChild(std::make_unique<TreeNode>(kClassSession, "b.pst", -1));
    file.addChild(std::make_unique<TreeNode>(kClassStore, "Top", 0))
        .addChild(std::make_unique<TreeNode>(kClassMail, "Inbox", 1));
    KindBoxes b;
    UpdateAllItemStatusForContainerClass(root, kClassStore, b);
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
