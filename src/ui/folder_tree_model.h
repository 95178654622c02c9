// The folder tree as a Qt item model: one row per live tree node, the file
// rows first level, their folders below. Column 0 shows the check box (folder
// rows), icon and title; column 1 the close box of a file row. Ticking a
// check box is reported with `rowTicked`; the window applies the selection
// rules and calls `selectionChanged`.
#pragma once

#include <QAbstractItemModel>
#include <memory>

#include "ui/logic/folder_tree.h"

namespace mailwright::desktop {

class FolderTreeModel : public QAbstractItemModel {
    Q_OBJECT

public:
    enum Roles { NameRole = Qt::UserRole + 1, CountRole, ContainerClassRole };
    static constexpr int kNameColumn = 0;
    static constexpr int kCloseColumn = 1;

    explicit FolderTreeModel(QObject* parent = nullptr);

    ui::TreeNode& rootNode() { return m_root; }
    ui::TreeNode* nodeAt(const QModelIndex& index) const;
    QModelIndex indexOf(const ui::TreeNode* node, int column = kNameColumn) const;

    // Adds a file's row at the end and returns it.
    ui::TreeNode& addSession(std::unique_ptr<ui::TreeNode> sessionRow);
    void removeSession(const ui::TreeNode& sessionRow);
    // Hides empty folders (or shows every row) and reloads.
    void setIgnoreEmptyFolders(bool ignore);
    // Check boxes changed outside the model.
    void selectionChanged();
    // Titles changed (another text encoding): reloads.
    void reload();
    // While false, check boxes cannot be changed (a run is going on).
    void setEditable(bool editable);

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

signals:
    void rowTicked(mailwright::ui::TreeNode* row, bool value, bool excludeSubfolders);

private:
    QVariant nameColumnData(const ui::TreeNode& node, int role) const;
    void markEmptyRows();

    ui::TreeNode m_root;
    bool m_ignoreEmptyFolders = false;
    bool m_editable = true;
};

}  // namespace mailwright::desktop
