#pragma once

#include "Pages/FileList/View/PictureCache.h"

#include <QStyledItemDelegate>

// Paints one row of the file list: the selection fill across the whole row,
// the entry's category icon (30 x 30, 10 from the left, centred) and its full
// path beside it, one line at 14 points, elided at the end; the current row
// of a focused list is framed. Icons are
// rendered for the pixel ratio painted at and kept, once per category.
class FileListViewCell : public QStyledItemDelegate
{
    Q_OBJECT

public:
    static constexpr int iconLeft = 10;
    static constexpr int iconSize = 30;
    static constexpr int labelGap = 5;
    // The design's points are logical pixels, as on the platform it was drawn for.
    static constexpr int fontPixelSize = 14;
    static constexpr int focusCueWidth = 2;

    // The selected row's fill, #2E85FF.
    static QColor selectionColor();

    explicit FileListViewCell(QObject* parent = nullptr);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    void paintFocusCue(QPainter* painter, const QRect& cell, bool selected) const;

    mutable PictureCache m_icons;
};
