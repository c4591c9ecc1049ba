#include "Pages/FileList/View/WonderfullTableView.h"

#include <QHeaderView>
#include <QPaintEvent>
#include <QPainter>

WonderfullTableView::WonderfullTableView(QWidget* parent)
    : QTableView(parent)
    , m_alternateBackgroundColor(0xFA, 0xFA, 0xFA)
    , m_backgroundColor(Qt::white)
{
    horizontalHeader()->hide();
    horizontalHeader()->setStretchLastSection(true);
    verticalHeader()->hide();
    verticalHeader()->setMinimumSectionSize(rowHeight);
    verticalHeader()->setDefaultSectionSize(rowHeight);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    setShowGrid(false);
    setWordWrap(false);
    setFrameShape(QFrame::NoFrame);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    // One Tab stop for the whole list; arrows and Home, End and the page
    // keys move within it.
    setTabKeyNavigation(false);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    // The stripes are ours; the style's alternate rows would not reach past the last row.
    setAlternatingRowColors(false);
    QPalette colours = palette();
    colours.setColor(QPalette::Base, m_backgroundColor);
    colours.setColor(QPalette::AlternateBase, m_alternateBackgroundColor);
    setPalette(colours);
}

void WonderfullTableView::paintEvent(QPaintEvent* event)
{
    paintStripes(event->rect());
    QTableView::paintEvent(event);
}

QModelIndex WonderfullTableView::moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers)
{
    const int rows = model() ? model()->rowCount(rootIndex()) : 0;
    if (rows > 0 && (cursorAction == MoveHome || cursorAction == MoveEnd))
        return model()->index(cursorAction == MoveHome ? 0 : rows - 1, 0, rootIndex());
    return QTableView::moveCursor(cursorAction, modifiers);
}

void WonderfullTableView::paintStripes(const QRect& clip)
{
    // Rows sit at -verticalOffset() + stride * row; rows before the first and
    // after the last are imaginary rows of the same rhythm (row -1 white,
    // row 0 #FAFAFA).
    const int stride = rowHeight;
    const int origin = -verticalOffset();
    const auto floorDiv = [](int a, int b) { return a >= 0 ? a / b : -((-a + b - 1) / b); };
    QPainter painter(viewport());
    for (int row = floorDiv(clip.top() - origin, stride);; ++row) {
        const int y = origin + row * stride;
        if (y > clip.bottom())
            break;
        const bool even = row % 2 == 0;
        painter.fillRect(QRect(clip.left(), y, clip.width(), stride),
                         even ? m_alternateBackgroundColor : m_backgroundColor);
    }
}
