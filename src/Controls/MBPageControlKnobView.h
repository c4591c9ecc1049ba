#pragma once

#include <QAbstractButton>
#include <QColor>
#include <QRectF>

// One round knob of a page control. Its frame is kept exactly, fractions and
// all; the widget itself covers that frame plus a small margin for the focus
// ring, and only the frame is hit by the pointer.
// The press (by pointer, Space or an accessibility action) is its action:
// QAbstractButton::pressed.
class MBPageControlKnobView : public QAbstractButton
{
    Q_OBJECT

public:
    enum Status
    {
        hover = 0,
        selected = 1,
        inactive = 2
    };

    explicit MBPageControlKnobView(QWidget* parent = nullptr);

    QColor circleBackgroundColor() const { return m_circleBackgroundColor; }
    void setCircleBackgroundColor(const QColor& color);
    QColor circleSelectedColor() const { return m_circleSelectedColor; }
    void setCircleSelectedColor(const QColor& color);

    Status currentStatus() const { return m_currentStatus; }
    void setCurrentStatus(Status status);

    int id() const { return m_id; }
    void setId(int id) { m_id = id; }

    // In the parent's coordinates.
    QRectF frame() const { return m_frame; }
    void setFrame(const QRectF& frame);

    // The opacity the knob is painted with (its control's alpha).
    qreal alphaValue() const { return m_alphaValue; }
    void setAlphaValue(qreal alpha);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    bool hitButton(const QPoint& pos) const override;

private:
    QRectF circleRect() const;
    void setPointerStatus(Status status);

    QColor m_circleBackgroundColor = QColor::fromRgbF(0.92f, 0.92f, 0.92f);
    QColor m_circleSelectedColor = QColor::fromRgbF(0.306f, 0.824f, 0.341f);
    Status m_currentStatus = inactive;
    int m_id = 0;
    QRectF m_frame;
    qreal m_alphaValue = 1.0;
};
