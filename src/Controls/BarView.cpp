#include "Controls/BarView.h"

#include "Controls/WonderfulButton.h"

#include <QPainter>

namespace {
const QColor barColor(0xF6, 0xF6, 0xF6);
const QColor hairlineColor(0xE2, 0xE2, 0xE2);
const QColor buttonBlue(0x2E, 0x85, 0xFF);
// The design's font sizes are in points of a 72 dpi screen, the same unit as
// its geometry: as pixels they keep the proportions of the 15 high button.
constexpr int buttonFontPixels = 12;
} // namespace

BarView::BarView(QWidget* parent)
    : QWidget(parent)
{
    setFixedHeight(barHeight);
}

WonderfulButton* BarView::makeMainButton(const QString& title)
{
    m_button = new WonderfulButton(title, this);
    QFont font = m_button->font();
    font.setPixelSize(buttonFontPixels);
    m_button->setFont(font);
    m_button->setButtonColor(buttonBlue);
    m_button->setBorderColor(buttonBlue);
    m_button->setTextColor(Qt::white);
    m_button->refreshColors();
    return m_button;
}

void BarView::layoutSubviews()
{
    if (!m_button)
        return;
    const int buttonWidth = m_button->sizeHint().width();
    m_button->setGeometry(width() - buttonRightMargin - buttonWidth, buttonVerticalMargin, buttonWidth,
                          height() - 2 * buttonVerticalMargin);
}

void BarView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), barColor);
    // A hairline is one device pixel, however many pixels a point has.
    painter.fillRect(QRectF(0, 0, width(), 1.0 / devicePixelRatioF()), hairlineColor);
}

void BarView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    layoutSubviews();
}
