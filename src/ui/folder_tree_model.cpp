#include "ui/folder_tree_model.h"

#include <QApplication>
#include <QFont>
#include <QSize>
#include <QStyle>
#include <filesystem>
#include <functional>

#include "model/pst_session.h"
#include "text/code_page_table.h"
#include "ui/logic/window_texts.h"
#include "ui/row_icons.h"

namespace mailwright::desktop {
namespace {

constexpr int kFolderRowHeight = 22;
constexpr int kSessionRowHeight = 36;

QString qtext(const std::string& text) {
    return QString::fromStdString(text);
}

bool isSessionRow(const ui::TreeNode& node) {
    return node.treeNodeContainerClass == ui::kClassSession;
}

std::string sessionTitle(const ui::TreeNode& node) {
    const model::PSTSession& session = *node.pstSession;
    const std::string fileName = std::filesystem::path(session.pstFilePath()).filename().string();
    return ui::SessionRowTitle(
        fileName, session.isUnicodePST(),
        text::GetCodePageDisplayName(static_cast<std::uint32_t>(session.pstDefaultCodePage()))
            .value_or(std::to_string(session.pstDefaultCodePage())));
}

}  // namespace

FolderTreeModel::FolderTreeModel(QObject* parent) : QAbstractItemModel(parent) {}

ui::TreeNode* FolderTreeModel::nodeAt(const QModelIndex& index) const {
    if (!index.isValid()) {
        return const_cast<ui::TreeNode*>(&m_root);
    }
    return static_cast<ui::TreeNode*>(index.internalPointer());
}

QModelIndex FolderTreeModel::indexOf(const ui::TreeNode* node, int column) const {
    if (node == nullptr || node == &m_root || node->liveIndex() < 0) {
        return {};
    }
    return createIndex(node->liveIndex(), column, const_cast<ui::TreeNode*>(node));
}

ui::TreeNode& FolderTreeModel::addSession(std::unique_ptr<ui::TreeNode> sessionRow) {
    beginResetModel();
    ui::TreeNode& added = m_root.addChild(std::move(sessionRow));
    markEmptyRows();
    endResetModel();
    return added;
}

void FolderTreeModel::removeSession(const ui::TreeNode& sessionRow) {
    beginResetModel();
    m_root.removeChild(sessionRow);
    endResetModel();
}

void FolderTreeModel::setIgnoreEmptyFolders(bool ignore) {
    beginResetModel();
    m_ignoreEmptyFolders = ignore;
    markEmptyRows();
    endResetModel();
}

void FolderTreeModel::markEmptyRows() {
    if (m_ignoreEmptyFolders) {
        ui::MarkEmptyChildrenForTreeNode(m_root);
    } else {
        ui::UnMarkEmptyChildrenForTreeNode(m_root);
    }
}

void FolderTreeModel::selectionChanged() {
    // Every visible row may have changed; views only repaint what they show.
    std::function<void(const ui::TreeNode&)> touch = [&](const ui::TreeNode& node) {
        const auto children = node.children();
        if (!children.empty()) {
            emit dataChanged(indexOf(children.front()), indexOf(children.back()),
                             {Qt::CheckStateRole});
        }
        for (const ui::TreeNode* child : children) {
            touch(*child);
        }
    };
    touch(m_root);
}

void FolderTreeModel::reload() {
    beginResetModel();
    endResetModel();
}

void FolderTreeModel::setEditable(bool editable) {
    m_editable = editable;
    selectionChanged();
}

QModelIndex FolderTreeModel::index(int row, int column, const QModelIndex& parent) const {
    const auto children = nodeAt(parent)->children();
    if (row < 0 || row >= static_cast<int>(children.size()) || column < 0 ||
        column >= columnCount(parent)) {
        return {};
    }
    return createIndex(row, column, children[static_cast<std::size_t>(row)]);
}

QModelIndex FolderTreeModel::parent(const QModelIndex& child) const {
    if (!child.isValid()) {
        return {};
    }
    return indexOf(nodeAt(child)->nodeParent());
}

int FolderTreeModel::rowCount(const QModelIndex& parent) const {
    if (parent.column() > 0) {
        return 0;
    }
    return static_cast<int>(nodeAt(parent)->children().size());
}

int FolderTreeModel::columnCount(const QModelIndex&) const {
    return 2;
}

QVariant FolderTreeModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) {
        return {};
    }
    const ui::TreeNode& node = *nodeAt(index);
    if (role == Qt::SizeHintRole) {
        return QSize(-1, isSessionRow(node) ? kSessionRowHeight : kFolderRowHeight);
    }
    if (index.column() == kCloseColumn) {
        if (!isSessionRow(node)) {
            return {};
        }
        if (role == Qt::DecorationRole) {
            return QApplication::style()->standardIcon(QStyle::SP_TitleBarCloseButton);
        }
        if (role == Qt::ToolTipRole) {
            return QStringLiteral("Close this PST");
        }
        return {};
    }
    return nameColumnData(node, role);
}

QVariant FolderTreeModel::nameColumnData(const ui::TreeNode& node, int role) const {
    const bool session = isSessionRow(node);
    switch (role) {
        case Qt::DisplayRole:
            return session ? qtext(sessionTitle(node))
                           : qtext(node.name + ui::FolderCountText(node.contentCount));
        case NameRole:
            return session ? qtext(sessionTitle(node)) : qtext(node.name);
        case CountRole:
            return session ? QVariant() : QVariant(static_cast<qlonglong>(node.contentCount));
        case ContainerClassRole:
            return node.treeNodeContainerClass;
        case Qt::DecorationRole:
            return IconForContainerClass(node.treeNodeContainerClass);
        case Qt::CheckStateRole:
            return session ? QVariant() : (node.isSelected ? Qt::Checked : Qt::Unchecked);
        case Qt::FontRole:
            if (session) {
                QFont bold;
                bold.setBold(true);
                return bold;
            }
            return {};
        case Qt::ToolTipRole:
            if (session) {
                return qtext(ui::SessionRowTooltip(node.pstSession->pstFilePath(),
                                                   node.pstSession->isUnicodePST()));
            }
            return node.children().empty() ? QVariant() : qtext(ui::ParentFolderTooltip());
        default:
            return {};
    }
}

bool FolderTreeModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    ui::TreeNode* node = nodeAt(index);
    if (role != Qt::CheckStateRole || !index.isValid() || isSessionRow(*node) || !m_editable) {
        return false;
    }
    const bool ticked = value.toInt() == Qt::Checked;
    // Alt-click changes the row alone, without its subfolders.
    const bool rowOnly = QApplication::keyboardModifiers().testFlag(Qt::AltModifier);
    emit rowTicked(node, ticked, rowOnly);
    return true;
}

Qt::ItemFlags FolderTreeModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) {
        return Qt::ItemIsDropEnabled;
    }
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (index.column() == kNameColumn && !isSessionRow(*nodeAt(index)) && m_editable) {
        flags |= Qt::ItemIsUserCheckable;
    }
    return flags;
}

}  // namespace mailwright::desktop
