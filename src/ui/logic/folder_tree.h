// The tree of open PST files the main window shows, without any widget: one
// session row per file and below it the file's folders. Each row has a
// container class (0 file, 1 or 5 mail, 2 calendar, 3 contacts), a selection
// flag and a live flag (hidden rows are not live). The selection rules here
// tie the tree to the three kind check boxes of the options.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "model/item_kinds.h"

namespace mailwright::model {
class MAPIFolder;
class PSTSession;
}  // namespace mailwright::model

namespace mailwright::ui {

// Container classes used for selection: the session model's folder kinds, a
// file row and a wildcard.
constexpr std::int32_t kClassSession = 0;
constexpr std::int32_t kClassStore = model::kFolderStoreRoot;
constexpr std::int32_t kClassCalendar = model::kFolderCalendar;
constexpr std::int32_t kClassContacts = model::kFolderContacts;
constexpr std::int32_t kClassMail = model::kFolderMail;
constexpr std::int32_t kClassAny = 8;

// Results of `GetSelectedForTreeNode`.
constexpr int kAllOn = 1;
constexpr int kAllOff = 0;
constexpr int kMixed = -1;
constexpr int kNoRowOfClass = -2;

class TreeNode {
public:
    TreeNode() = default;
    TreeNode(std::int32_t containerClass, std::string name, std::int64_t contentCount)
        : treeNodeContainerClass(containerClass),
          name(std::move(name)),
          contentCount(contentCount) {}
    TreeNode(const TreeNode&) = delete;
    TreeNode& operator=(const TreeNode&) = delete;

    TreeNode& addChild(std::unique_ptr<TreeNode> child);
    void removeChild(const TreeNode& child);
    // Live children only.
    std::vector<TreeNode*> children() const;
    const std::vector<std::unique_ptr<TreeNode>>& allchildren() const { return m_children; }
    TreeNode* nodeParent() const { return m_parent; }
    // Index among the live children of the parent, -1 when hidden or root.
    int liveIndex() const;

    std::int32_t treeNodeContainerClass = kClassSession;
    std::string name;
    std::int64_t contentCount = -1;
    bool isSelected = true;
    bool isLive = true;
    std::shared_ptr<model::MAPIFolder> mapiFolder;  // folder rows
    std::shared_ptr<model::PSTSession> pstSession;  // session rows

private:
    TreeNode* m_parent = nullptr;
    std::vector<std::unique_ptr<TreeNode>> m_children;
};

// Sets the node (and with `deep` every live row below it) to `value` where
// its class matches `containerClass`.
void SetSelectedForTreeNode(TreeNode& node, bool value, std::int32_t containerClass, bool deep);
// kAllOn, kAllOff, kMixed or kNoRowOfClass over the node and its live rows.
int GetSelectedForTreeNode(const TreeNode& node, std::int32_t containerClass);

// Bottom up: a row stays live when it has items or a live child.
void MarkEmptyChildrenForTreeNode(TreeNode& node);
void UnMarkEmptyChildrenForTreeNode(TreeNode& node);

// The selected folder rows of a run, depth first, a row before its children.
std::vector<const TreeNode*> getSelectedItems(const TreeNode& root, bool ignoreEmptyFolders);

// The session row of an opened file with its folders; journal, notes and
// tasks folders are left out with their subtrees.
std::unique_ptr<TreeNode> PopulateTreeForPSTSession(
    const std::shared_ptr<model::PSTSession>& session);

}  // namespace mailwright::ui
