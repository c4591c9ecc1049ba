#include "Pages/FileList/View/FileListViewCell.h"

#include "Model/FileCategory.h"
#include "Pages/FileList/View/FileListModel.h"
#include "Pages/FileList/View/WonderfullTableView.h"

#include <QPainter>

QColor FileListViewCell::selectionColor()
{
    return QColor(0x2E, 0x85, 0xFF);
}

FileListViewCell::FileListViewCell(QObject* parent)
    : QStyledItemDelegate(parent)
{
}

void FileListViewCell::paint(QPainter* painter, const QStyleOptionViewItem& option,
                             const QModelIndex& index) const
{
    const QRect cell = option.rect;
    painter->save();
    if (option.state.testFlag(QStyle::State_Selected))
        painter->fillRect(cell, selectionColor());

    if (option.state.testFlag(QStyle::State_HasFocus))
        paintFocusCue(painter, cell, option.state.testFlag(QStyle::State_Selected));

    const QRect iconRect(cell.left() + iconLeft, cell.top() + (cell.height() - iconSize) / 2, iconSize,
                         iconSize);
    const FileCategory category(FileCategory::Value(index.data(FileListModel::FileCategoryRole).toInt()));
    const QPixmap icon
        = m_icons.picture(category.iconName(), iconRect.size(), painter->device()->devicePixelRatioF());
    if (!icon.isNull())
        painter->drawPixmap(iconRect, icon);

    QFont font = option.font;
    font.setPixelSize(fontPixelSize);
    painter->setFont(font);
    painter->setPen(option.palette.color(QPalette::Text));
    const QRect labelRect = cell.adjusted(iconRect.right() + 1 + labelGap - cell.left(), 0, 0, 0);
    const QString name = index.data(Qt::DisplayRole).toString();
    const QString shown = QFontMetrics(font).elidedText(name, Qt::ElideRight, labelRect.width());
    painter->drawText(labelRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shown);
    painter->restore();
}

// The current row of a focused list, selected or not: a rounded frame
// inside the row, blue on white and white on the selection.
void FileListViewCell::paintFocusCue(QPainter* painter, const QRect& cell, bool selected) const
{
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    QPen pen(selected ? QColor(Qt::white) : selectionColor(), focusCueWidth);
    painter->setPen(pen);
    painter->setBrush(Qt::NoBrush);
    const qreal inset = focusCueWidth / 2.0 + 1.0;
    painter->drawRoundedRect(QRectF(cell).adjusted(inset, inset, -inset, -inset), 4, 4);
    painter->restore();
}

QSize FileListViewCell::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const
{
    return { option.rect.width(), WonderfullTableView::rowHeight };
}
