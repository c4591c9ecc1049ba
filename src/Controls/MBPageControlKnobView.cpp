#include "Controls/MBPageControlKnobView.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QPainter>

using namespace Qt::StringLiterals;

namespace {
// Room around the circle for the focus ring.
constexpr qreal focusMargin = 3.0;
constexpr qreal focusRingGap = 1.5;
constexpr qreal focusRingWidth = 1.5;
// To a screen reader a knob is the tab of its page: selected while its page
// is shown, pressed to show it.
class KnobAccessible : public QAccessibleWidget
{
public:
    explicit KnobAccessible(MBPageControlKnobView* knob)
        : QAccessibleWidget(knob, QAccessible::PageTab)
    {
    }

    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.selectable = true;
        state.selected = knob()->currentStatus() == MBPageControlKnobView::selected;
        return state;
    }

    QStringList actionNames() const override
    {
        return QStringList { pressAction() } + QAccessibleWidget::actionNames();
    }

    void doAction(const QString& actionName) override
    {
        if (actionName == pressAction())
            knob()->click();
        else
            QAccessibleWidget::doAction(actionName);
    }

private:
    MBPageControlKnobView* knob() const { return static_cast<MBPageControlKnobView*>(widget()); }
};

QAccessibleInterface* knobAccessible(const QString& className, QObject* object)
{
    if (className == "MBPageControlKnobView"_L1 && object && object->isWidgetType())
        return new KnobAccessible(static_cast<MBPageControlKnobView*>(object));
    return nullptr;
}
} // namespace

MBPageControlKnobView::MBPageControlKnobView(QWidget* parent)
    : QAbstractButton(parent)
{
    [[maybe_unused]] static const bool accessibleFactoryInstalled = [] {
        QAccessible::installFactory(knobAccessible);
        return true;
    }();
    setFocusPolicy(Qt::StrongFocus);
}

void MBPageControlKnobView::setCircleBackgroundColor(const QColor& color)
{
    m_circleBackgroundColor = color;
    update();
}

void MBPageControlKnobView::setCircleSelectedColor(const QColor& color)
{
    m_circleSelectedColor = color;
    update();
}

void MBPageControlKnobView::setCurrentStatus(Status status)
{
    const bool wasSelected = m_currentStatus == selected;
    m_currentStatus = status;
    update();
    if (wasSelected != (status == selected) && QAccessible::isActive()) {
        QAccessible::State changed;
        changed.selected = true;
        QAccessibleStateChangeEvent event(this, changed);
        QAccessible::updateAccessibility(&event);
    }
}

void MBPageControlKnobView::setFrame(const QRectF& frame)
{
    m_frame = frame;
    setGeometry(frame.adjusted(-focusMargin, -focusMargin, focusMargin, focusMargin).toAlignedRect());
    update();
}

void MBPageControlKnobView::setAlphaValue(qreal alpha)
{
    m_alphaValue = alpha;
    update();
}

QSize MBPageControlKnobView::sizeHint() const
{
    return size();
}

// The frame in the knob's own coordinates.
QRectF MBPageControlKnobView::circleRect() const
{
    return m_frame.translated(-QPointF(pos()));
}

void MBPageControlKnobView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setOpacity(m_alphaValue);
    painter.setPen(Qt::NoPen);
    // Hover looks like inactive.
    painter.setBrush(m_currentStatus == selected ? m_circleSelectedColor : m_circleBackgroundColor);
    painter.drawEllipse(circleRect());

    if (hasFocus() && window()->testAttribute(Qt::WA_KeyboardFocusChange)) {
        const qreal outset = focusRingGap + focusRingWidth / 2;
        painter.setPen(QPen(palette().color(QPalette::Highlight), focusRingWidth));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(circleRect().adjusted(-outset, -outset, outset, outset));
    }
}

void MBPageControlKnobView::enterEvent(QEnterEvent* event)
{
    QAbstractButton::enterEvent(event);
    setPointerStatus(hover);
}

void MBPageControlKnobView::leaveEvent(QEvent* event)
{
    QAbstractButton::leaveEvent(event);
    setPointerStatus(inactive);
}

void MBPageControlKnobView::setPointerStatus(Status status)
{
    if (isEnabled() && m_currentStatus != selected)
        setCurrentStatus(status);
}

// The knob's square frame, not the focus margin around it.
bool MBPageControlKnobView::hitButton(const QPoint& pos) const
{
    return circleRect().contains(QPointF(pos) + QPointF(0.5, 0.5));
}
