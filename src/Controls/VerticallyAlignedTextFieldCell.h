#pragma once

#include <QLabel>

// A label that draws its one line of text centred vertically in a band 22
// high, whatever its own height and font, elided on the right when too long.
class VerticallyAlignedTextFieldCell : public QLabel
{
    Q_OBJECT

public:
    explicit VerticallyAlignedTextFieldCell(QWidget* parent = nullptr);
    explicit VerticallyAlignedTextFieldCell(const QString& text, QWidget* parent = nullptr);

    // The band the text is drawn in for `bounds`: as wide as they are, from
    // x 0 whatever their origin, centred in their height and not rounded.
    static QRectF drawingRectForBounds(const QRectF& bounds);

protected:
    void paintEvent(QPaintEvent* event) override;
};
