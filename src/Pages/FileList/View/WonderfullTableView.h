#pragma once

#include <QColor>
#include <QTableView>

// The list's table: one stretched column, no headers, rows of a fixed height,
// and alternating stripes painted over the whole viewport, so they continue
// past the last row and an empty table is striped too.
class WonderfullTableView : public QTableView
{
    Q_OBJECT

public:
    static constexpr int rowHeight = 40;

    explicit WonderfullTableView(QWidget* parent = nullptr);

    // The colour of the even rows, #FAFAFA; odd rows take backgroundColor().
    QColor alternateBackgroundColor() const { return m_alternateBackgroundColor; }
    // White.
    QColor backgroundColor() const { return m_backgroundColor; }

protected:
    void paintEvent(QPaintEvent* event) override;
    // Home and End go to the first and the last row: with one column there
    // is nowhere else for them to go.
    QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;

private:
    void paintStripes(const QRect& clip);

    QColor m_alternateBackgroundColor;
    QColor m_backgroundColor;
};
