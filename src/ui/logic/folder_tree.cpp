#include "ui/logic/folder_tree.h"

#include <algorithm>
#include <filesystem>

#include "model/item_kinds.h"
#include "model/mapi_folder.h"
#include "model/message_store.h"
#include "model/pst_session.h"
#include "model/user_folders.h"

namespace mailwright::ui {

TreeNode& TreeNode::addChild(std::unique_ptr<TreeNode> child) {
    child->m_parent = this;
    m_children.push_back(std::move(child));
    return *m_children.back();
}

void TreeNode::removeChild(const TreeNode& child) {
    std::erase_if(m_children, [&](const auto& c) { return c.get() == &child; });
}

std::vector<TreeNode*> TreeNode::children() const {
    std::vector<TreeNode*> live;
    for (const auto& child : m_children) {
        if (child->isLive) {
            live.push_back(child.get());
        }
    }
    return live;
}

int TreeNode::liveIndex() const {
    if (m_parent == nullptr || !isLive) {
        return -1;
    }
    const auto siblings = m_parent->children();
    const auto it = std::find(siblings.begin(), siblings.end(), this);
    return static_cast<int>(it - siblings.begin());
}

namespace {

bool setMatches(std::int32_t nodeClass, std::int32_t containerClass) {
    return nodeClass == containerClass || containerClass == kClassAny ||
           (containerClass == kClassMail && nodeClass == kClassStore);
}

bool getMatches(std::int32_t nodeClass, std::int32_t containerClass) {
    return nodeClass == containerClass || containerClass == kClassAny ||
           (containerClass == kClassMail && (nodeClass == kClassAny || nodeClass == kClassStore));
}

bool isLeftOut(std::int32_t kind) {
    return kind == model::kFolderJournal || kind == model::kFolderNotes ||
           kind == model::kFolderTasks;
}

std::unique_ptr<TreeNode> folderRow(const std::shared_ptr<model::MAPIFolder>& folder) {
    auto row = std::make_unique<TreeNode>(folder->defaultItemType(), folder->folderName(),
                                          folder->contentCount());
    row->mapiFolder = folder;
    for (const auto& sub : model::userSubfolders(*folder, false)) {
        if (!isLeftOut(sub->defaultItemType())) {
            row->addChild(folderRow(sub));
        }
    }
    return row;
}

void collectSelected(const TreeNode& node, bool ignoreEmpty, std::vector<const TreeNode*>& out) {
    if (node.isSelected && node.treeNodeContainerClass != kClassSession &&
        !(ignoreEmpty && node.contentCount < 1)) {
        out.push_back(&node);
    }
    for (const TreeNode* child : node.children()) {
        collectSelected(*child, ignoreEmpty, out);
    }
}

}  // namespace

void SetSelectedForTreeNode(TreeNode& node, bool value, std::int32_t containerClass, bool deep) {
    if (setMatches(node.treeNodeContainerClass, containerClass)) {
        node.isSelected = value;
    }
    if (deep) {
        for (TreeNode* child : node.children()) {
            SetSelectedForTreeNode(*child, value, containerClass, deep);
        }
    }
}

int GetSelectedForTreeNode(const TreeNode& node, std::int32_t containerClass) {
    int state = getMatches(node.treeNodeContainerClass, containerClass)
                    ? (node.isSelected ? kAllOn : kAllOff)
                    : kNoRowOfClass;
    for (const TreeNode* child : node.children()) {
        const int r = GetSelectedForTreeNode(*child, containerClass);
        if (r == kNoRowOfClass) {
            continue;
        }
        if (r == kMixed) {
            return kMixed;
        }
        if (state == kNoRowOfClass) {
            state = r;
        } else if (r != state) {
            return kMixed;
        }
    }
    return state;
}

void MarkEmptyChildrenForTreeNode(TreeNode& node) {
    bool anyLive = false;
    for (const auto& child : node.allchildren()) {
        MarkEmptyChildrenForTreeNode(*child);
        anyLive = anyLive || child->isLive;
    }
    if (node.nodeParent() != nullptr && node.treeNodeContainerClass != kClassSession) {
        node.isLive = node.contentCount != 0 || anyLive;
    }
}

void UnMarkEmptyChildrenForTreeNode(TreeNode& node) {
    node.isLive = true;
    for (const auto& child : node.allchildren()) {
        UnMarkEmptyChildrenForTreeNode(*child);
    }
}

std::vector<const TreeNode*> getSelectedItems(const TreeNode& root, bool ignoreEmptyFolders) {
    std::vector<const TreeNode*> out;
    collectSelected(root, ignoreEmptyFolders, out);
    return out;
}

std::unique_ptr<TreeNode> PopulateTreeForPSTSession(
    const std::shared_ptr<model::PSTSession>& session) {
    auto row = std::make_unique<TreeNode>(
        kClassSession, std::filesystem::path(session->pstFilePath()).filename().string(), -1);
    row->pstSession = session;
    row->addChild(folderRow(session->getRootStore()->getSubTreeFolder()));
    return row;
}

}  // namespace mailwright::ui
