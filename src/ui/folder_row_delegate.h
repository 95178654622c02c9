// Draws a folder row's title: the name in the normal font followed by the
// item count " [n]" in bold, in the tree's count colour.
#pragma once

#include <QStyledItemDelegate>

namespace mailwright::desktop {

class FolderRowDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    static QString countText(const QModelIndex& index);
};

}  // namespace mailwright::desktop
