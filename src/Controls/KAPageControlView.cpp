#include "Controls/KAPageControlView.h"

#include "Controls/MBPageControlKnobView.h"

#include <QEvent>
#include <QMetaMethod>

#include <algorithm>
#include <cstdio>
#include <utility>

using namespace Qt::StringLiterals;

namespace {
constexpr qreal enabledAlpha = 1.0;
constexpr qreal disabledAlpha = 0.7;
} // namespace

KAPageControlView::KAPageControlView(QWidget* parent)
    : QWidget(parent)
{
    updateKnobs();
}

void KAPageControlView::setDistanceBetweenKnobs(qreal distance)
{
    m_distanceBetweenKnobs = distance;
    layoutKnobs();
}

void KAPageControlView::setInsetKnobHeight(qreal percent)
{
    m_insetKnobHeight = percent;
    layoutKnobs();
}

void KAPageControlView::setNumberOfPages(int pages)
{
    m_numberOfPages = std::max(0, pages);
    if (m_numberOfPages == 0)
        m_selectedPage = 0;
    layoutKnobs();
}

void KAPageControlView::setDistributeHorizontaly(bool distribute)
{
    m_distributeHorizontaly = distribute;
    layoutKnobs();
}

void KAPageControlView::setCircleBackgroundColor(const QColor& color)
{
    m_circleBackgroundColor = color;
    updateKnobs();
}

void KAPageControlView::setCircleSelectedColor(const QColor& color)
{
    m_circleSelectedColor = color;
    updateKnobs();
}

void KAPageControlView::setSelectedPage(int page)
{
    // C++'s remainder keeps the sign of the dividend, as the rule wants.
    m_selectedPage = m_numberOfPages > 0 ? page % m_numberOfPages : 0;
}

qreal KAPageControlView::knobDiameter() const
{
    return (100.0 - m_insetKnobHeight) / 100.0 * height();
}

// Where the knobs go for the current size; nothing is rounded.
QList<QRectF> KAPageControlView::knobFrames() const
{
    const int n = m_numberOfPages;
    const qreal s = knobDiameter();
    const qreal y = (height() - s) * 0.5;
    qreal x = 0;
    qreal step = 0;
    if (m_distributeHorizontaly) {
        const qreal gap = (width() - s * n) / (n + 1);
        x = gap;
        step = s + gap;
    } else {
        x = (width() - (s * n + m_distanceBetweenKnobs * (n - 1))) * 0.5;
        step = s + m_distanceBetweenKnobs;
    }
    QList<QRectF> frames;
    frames.reserve(n);
    for (int i = 0; i < n; ++i) {
        frames.append(QRectF(x, y, s, s));
        x += step;
    }
    return frames;
}

void KAPageControlView::layoutKnobs()
{
    const auto* focused = qobject_cast<const MBPageControlKnobView*>(window()->focusWidget());
    const int focusedId = m_pages.contains(focused) ? focused->id() : -1;
    // Later, not now: the rebuild may run inside a knob's own press.
    for (MBPageControlKnobView* knob : std::as_const(m_pages)) {
        knob->hide();
        knob->deleteLater();
    }
    m_pages.clear();
    const QList<QRectF> frames = knobFrames();
    for (int i = 0; i < frames.size(); ++i)
        m_pages.append(makeKnob(i, frames.at(i)));
    // A keyboard user stays on the knob they were on.
    if (focusedId >= 0 && focusedId < m_pages.size())
        m_pages.at(focusedId)->setFocus(Qt::OtherFocusReason);
}

MBPageControlKnobView* KAPageControlView::makeKnob(int id, const QRectF& frame)
{
    auto* knob = new MBPageControlKnobView(this);
    knob->setFrame(frame);
    knob->setCircleBackgroundColor(m_circleBackgroundColor);
    knob->setCircleSelectedColor(m_circleSelectedColor);
    connect(knob, &QAbstractButton::pressed, this, [this, knob] { aKnobHasBeenSelected(knob); });
    knob->setId(id);
    knob->setAlphaValue(m_alphaValue);
    knob->setCurrentStatus(id == m_selectedPage ? MBPageControlKnobView::selected
                                                : MBPageControlKnobView::inactive);
    knob->setAccessibleName(u"%1 / %2"_s.arg(id + 1).arg(m_numberOfPages));
    knob->show();
    return knob;
}

void KAPageControlView::updateKnobs()
{
    for (MBPageControlKnobView* knob : std::as_const(m_pages)) {
        knob->setCircleBackgroundColor(m_circleBackgroundColor);
        knob->setCircleSelectedColor(m_circleSelectedColor);
        knob->setAlphaValue(m_alphaValue);
    }
}

void KAPageControlView::aKnobHasBeenSelected(MBPageControlKnobView* knob)
{
    if (!isEnabled() || m_numberOfPages <= 0)
        return;
    m_selectedPage = knob->id() % m_numberOfPages;
    for (MBPageControlKnobView* each : std::as_const(m_pages)) {
        each->setCurrentStatus(each->id() == knob->id() ? MBPageControlKnobView::selected
                                                        : MBPageControlKnobView::inactive);
    }
    if (!isSignalConnected(QMetaMethod::fromSignal(&KAPageControlView::actionTriggered))) {
        std::fputs("Are you sure you didn't forget to connect an action to this control?\n", stdout);
        std::fflush(stdout);
        return;
    }
    emit actionTriggered();
}

void KAPageControlView::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::EnabledChange) {
        // The knobs follow the enabled state as children do.
        m_alphaValue = isEnabled() ? enabledAlpha : disabledAlpha;
        updateKnobs();
    }
}

// Layouts resize the control after the row was built: the knobs move to the
// new size and keep their looks.
void KAPageControlView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    const QList<QRectF> frames = knobFrames();
    for (int i = 0; i < m_pages.size() && i < frames.size(); ++i)
        m_pages.at(i)->setFrame(frames.at(i));
}
