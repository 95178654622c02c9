#include "ui/folder_row_delegate.h"

#include <QApplication>
#include <QPainter>

#include "ui/folder_tree_model.h"

namespace mailwright::desktop {
namespace {

// The count colour: red 0.078125, green 0.24609375, blue 0.46875.
const QColor kCountColour = QColor::fromRgbF(0.078125f, 0.24609375f, 0.46875f);

QFont boldOf(QFont font) {
    font.setBold(true);
    return font;
}

}  // namespace

QString FolderRowDelegate::countText(const QModelIndex& index) {
    const QVariant count = index.data(FolderTreeModel::CountRole);
    if (!count.isValid()) {
        return {};
    }
    return QStringLiteral(" [%1]").arg(count.toLongLong());
}

void FolderRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const {
    const QString count = countText(index);
    if (count.isEmpty()) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    opt.text = index.data(FolderTreeModel::NameRole).toString();
    const QWidget* widget = option.widget;
    QStyle* style = widget != nullptr ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);

    const QRect textRect = style->subElementRect(QStyle::SE_ItemViewItemText, &opt, widget);
    const int nameWidth = opt.fontMetrics.horizontalAdvance(opt.text);
    // A margin like the one the style keeps before the name.
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
    QRect countRect = textRect.adjusted(margin + nameWidth, 0, 0, 0);
    if (countRect.width() <= 0) {
        return;
    }
    painter->save();
    painter->setFont(boldOf(opt.font));
    const bool selected = opt.state.testFlag(QStyle::State_Selected);
    painter->setPen(selected ? opt.palette.color(QPalette::HighlightedText) : kCountColour);
    painter->drawText(countRect, Qt::AlignVCenter | Qt::AlignLeft, count);
    painter->restore();
}

QSize FolderRowDelegate::sizeHint(const QStyleOptionViewItem& option,
                                  const QModelIndex& index) const {
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    const QString count = countText(index);
    if (!count.isEmpty()) {
        // The hint was measured on the whole title in the normal font.
        const QFontMetrics bold(boldOf(option.font));
        size.rwidth() +=
            bold.horizontalAdvance(count) - option.fontMetrics.horizontalAdvance(count);
    }
    return size;
}

}  // namespace mailwright::desktop
