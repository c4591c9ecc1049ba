#pragma once

#include <QColor>
#include <QPushButton>

class QStyleOptionButton;

// A push button whose content (icon leading, then title) is laid out inside
// its rectangle narrowed by a padding on the left and on the right; its
// natural size is widened by twice that padding and is always 40 high.
//
// Without a background colour the style draws the button, only the content
// moves inwards. With one, the button paints itself: a filled rounded
// rectangle that darkens a little under the pointer and while pressed, the
// title in the tint colour and a ring while it has keyboard focus.
// Focus, Space/Enter activation and accessibility (name = text) come from
// QPushButton.
class KAButton : public QPushButton
{
    Q_OBJECT

public:
    explicit KAButton(QWidget* parent = nullptr);

    // Only stored: a caller that changes it on a shown button asks for the
    // new size and the repaint itself.
    qreal horizontalImagePadding() const { return m_horizontalImagePadding; }
    void setHorizontalImagePadding(qreal padding) { m_horizontalImagePadding = padding; }

    // An invalid colour (the default) leaves the drawing to the style.
    QColor backgroundColor() const { return m_backgroundColor; }
    void setBackgroundColor(const QColor& color);
    qreal cornerRadius() const { return m_cornerRadius; }
    void setCornerRadius(qreal radius);
    // The title's colour over the background; the icon is drawn as it is.
    QColor contentTintColor() const { return m_contentTintColor; }
    void setContentTintColor(const QColor& color);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    QRect paddedRect() const;
    void paintStyled(QStyleOptionButton& option);
    void paintBackground(QPainter& painter) const;
    void paintContent(QPainter& painter) const;
    void paintFocusRing(QPainter& painter) const;

    qreal m_horizontalImagePadding = 30.0;
    QColor m_backgroundColor;
    qreal m_cornerRadius = 4.0;
    QColor m_contentTintColor;
};
