#include "Controls/VerticallyAlignedTextFieldCell.h"

#include <QPainter>

namespace {
constexpr qreal bandHeight = 22.0;
} // namespace

VerticallyAlignedTextFieldCell::VerticallyAlignedTextFieldCell(QWidget* parent)
    : QLabel(parent)
{
}

VerticallyAlignedTextFieldCell::VerticallyAlignedTextFieldCell(const QString& text, QWidget* parent)
    : QLabel(text, parent)
{
}

QRectF VerticallyAlignedTextFieldCell::drawingRectForBounds(const QRectF& bounds)
{
    return { 0.0, (bounds.height() - bandHeight) * 0.5, bounds.width(), bandHeight };
}

void VerticallyAlignedTextFieldCell::paintEvent(QPaintEvent*)
{
    const QRectF band = drawingRectForBounds(QRectF(rect()));
    const QString line = fontMetrics().elidedText(text(), Qt::ElideRight, static_cast<int>(band.width()));
    QPainter painter(this);
    painter.setPen(palette().color(foregroundRole()));
    const Qt::Alignment horizontal = alignment() & Qt::AlignHorizontal_Mask;
    painter.drawText(band, horizontal | Qt::AlignVCenter | Qt::TextSingleLine, line);
}
