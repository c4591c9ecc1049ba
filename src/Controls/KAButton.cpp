#include "Controls/KAButton.h"

#include <QPainter>
#include <QPainterPath>
#include <QStyleOptionButton>
#include <QStylePainter>

#include <cmath>

namespace {
constexpr int naturalHeight = 40;
// Between the icon and the title when the button paints itself.
constexpr int iconTitleGap = 6;
} // namespace

KAButton::KAButton(QWidget* parent)
    : QPushButton(parent)
{
}

void KAButton::setBackgroundColor(const QColor& color)
{
    m_backgroundColor = color;
    update();
}

void KAButton::setCornerRadius(qreal radius)
{
    m_cornerRadius = radius;
    update();
}

void KAButton::setContentTintColor(const QColor& color)
{
    m_contentTintColor = color;
    update();
}

QSize KAButton::sizeHint() const
{
    const QSize base = QPushButton::sizeHint();
    return { static_cast<int>(std::ceil(base.width() + 2 * m_horizontalImagePadding)), naturalHeight };
}

// The rectangle the content is laid out in; at least empty, never inverted.
QRect KAButton::paddedRect() const
{
    const int padding = static_cast<int>(std::round(m_horizontalImagePadding));
    QRect padded = rect().adjusted(padding, 0, -padding, 0);
    if (padded.width() < 0)
        padded.setWidth(0);
    return padded;
}

void KAButton::paintEvent(QPaintEvent*)
{
    QStyleOptionButton option;
    initStyleOption(&option);
    if (!m_backgroundColor.isValid()) {
        paintStyled(option);
        return;
    }
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setOpacity(isEnabled() ? 1.0 : 0.5);
    paintBackground(painter);
    paintContent(painter);
    paintFocusRing(painter);
}

// The painted background darkens under the pointer, whatever the style.
void KAButton::enterEvent(QEnterEvent* event)
{
    QPushButton::enterEvent(event);
    update();
}

void KAButton::leaveEvent(QEvent* event)
{
    QPushButton::leaveEvent(event);
    update();
}

// What QPushButton paints, with the label's area computed for the padded rect.
void KAButton::paintStyled(QStyleOptionButton& option)
{
    QStylePainter painter(this);
    painter.drawControl(QStyle::CE_PushButtonBevel, option);
    QStyleOptionButton label = option;
    label.rect = paddedRect();
    label.rect = style()->subElementRect(QStyle::SE_PushButtonContents, &label, this);
    // The style centres a title too long for its rect over both edges.
    painter.save();
    painter.setClipRect(paddedRect());
    painter.drawControl(QStyle::CE_PushButtonLabel, label);
    painter.restore();
    if (option.state & QStyle::State_HasFocus) {
        QStyleOptionFocusRect focus;
        focus.QStyleOption::operator=(option);
        focus.rect = style()->subElementRect(QStyle::SE_PushButtonFocusRect, &option, this);
        painter.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
    }
}

void KAButton::paintBackground(QPainter& painter) const
{
    QColor color = m_backgroundColor;
    if (isDown())
        color = color.darker(118);
    else if (underMouse() && isEnabled())
        color = color.darker(108);
    QPainterPath path;
    path.addRoundedRect(QRectF(rect()), m_cornerRadius, m_cornerRadius);
    painter.fillPath(path, color);
}

// Icon and title as one group centred in the padded rect; a title too long
// for it is elided, the icon is never cut.
void KAButton::paintContent(QPainter& painter) const
{
    const QRect area = paddedRect();
    const bool hasIcon = !icon().isNull() && !iconSize().isEmpty();
    const QSize iconArea = hasIcon ? iconSize() : QSize(0, 0);
    const int gap = hasIcon && !text().isEmpty() ? iconTitleGap : 0;
    const QFontMetrics metrics(font());
    const int titleRoom = std::max(0, area.width() - iconArea.width() - gap);
    const QString title = metrics.elidedText(text(), Qt::ElideRight, titleRoom);
    const int titleWidth = metrics.horizontalAdvance(title);
    const int groupWidth = iconArea.width() + gap + titleWidth;
    int x = area.left() + std::max(0, (area.width() - groupWidth) / 2);

    if (hasIcon) {
        const QIcon::Mode mode = isEnabled() ? QIcon::Normal : QIcon::Disabled;
        const QPixmap pixmap = icon().pixmap(iconArea, devicePixelRatioF(), mode);
        const int y = area.top() + (area.height() - iconArea.height()) / 2;
        painter.drawPixmap(QRect(QPoint(x, y), iconArea), pixmap);
        x += iconArea.width() + gap;
    }
    if (title.isEmpty())
        return;
    painter.setFont(font());
    painter.setPen(m_contentTintColor.isValid() ? m_contentTintColor : palette().color(QPalette::ButtonText));
    const QRect titleRect(x, area.top(), std::min(titleWidth, area.right() + 1 - x), area.height());
    painter.drawText(titleRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, title);
}

// Shown only when focus arrived by keyboard, as the platform's styles do.
void KAButton::paintFocusRing(QPainter& painter) const
{
    if (!hasFocus() || !window()->testAttribute(Qt::WA_KeyboardFocusChange))
        return;
    constexpr qreal width = 2.0;
    const qreal inset = width / 2;
    const qreal radius = std::max(0.0, m_cornerRadius - inset);
    painter.save();
    painter.setPen(QPen(palette().color(QPalette::Highlight), width));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(QRectF(rect()).adjusted(inset, inset, -inset, -inset), radius, radius);
    painter.restore();
}
