#include "Controls/Carousel.h"

#include "Controls/CarouselDataSource.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QMouseEvent>
#include <QVariantAnimation>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {

constexpr int scrollDurationMs = 280;
// More would only keep memory alive: at most three views leave at once.
constexpr int maximumReusableViews = 3;
// A drag past this share of the width pages on release.
constexpr qreal pagingDragShare = 1.0 / 3.0;
// A swipe this short in time pages however short it is in distance.
constexpr quint64 flickDurationMs = 250;
// One notch of a wheel.
constexpr int wheelStep = 120;

QAccessibleInterface* carouselAccessible(const QString& className, QObject* object)
{
    if (className == "Carousel"_L1 && object && object->isWidgetType())
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Grouping);
    return nullptr;
}

} // namespace

Carousel::Carousel(QWidget* parent)
    : QWidget(parent)
    , m_animation(new QVariantAnimation(this))
{
    [[maybe_unused]] static const bool accessibleFactoryInstalled = [] {
        QAccessible::installFactory(carouselAccessible);
        return true;
    }();

    m_animation->setDuration(scrollDurationMs);
    m_animation->setEasingCurve(QEasingCurve::OutCubic);
    connect(m_animation, &QVariantAnimation::valueChanged, this,
            [this](const QVariant& value) { setPosition(value.toReal()); });
    connect(m_animation, &QVariantAnimation::finished, this, [this] { setPosition(m_currentItemIndex); });
}

// The views are children and go with the carousel; the data source is not
// asked anything any more.
Carousel::~Carousel() = default;

void Carousel::setDataSource(CarouselDataSource* dataSource)
{
    // The pool must only offer views the asking data source made.
    discardAllViews();
    m_dataSource = dataSource;
    reloadData();
}

void Carousel::reloadData()
{
    stopAnimation();
    m_drag = {};
    m_numberOfItems = m_dataSource ? std::max(0, m_dataSource->numberOfItemsInCarousel(this)) : 0;
    // Every item may have changed: the views shown now are filled again
    // through the pool.
    const QList<QWidget*> shown = m_itemViews.values();
    m_itemViews.clear();
    for (QWidget* view : shown)
        recycle(view);
    const int index = clampedIndex(m_currentItemIndex);
    m_position = index;
    updateItemViews();
    setCurrentItemIndex(index);
}

void Carousel::scrollToItemAtIndex(int index, bool animated)
{
    const int target = clampedIndex(index);
    stopAnimation();
    m_drag = {};
    if (animated && m_position != target) {
        m_animation->setStartValue(m_position);
        m_animation->setEndValue(qreal(target));
        m_animation->start();
    } else {
        setPosition(target);
    }
    setCurrentItemIndex(target);
}

bool Carousel::isScrolling() const
{
    return m_animation->state() == QAbstractAnimation::Running || m_drag.moving;
}

void Carousel::setCurrentItemIndex(int index)
{
    setAccessibleDescription(m_numberOfItems > 0 ? tr("%1 of %2").arg(index + 1).arg(m_numberOfItems)
                                                 : QString());
    if (index == m_currentItemIndex)
        return;
    m_currentItemIndex = index;
    emit currentItemIndexChanged(index);
}

void Carousel::setPosition(qreal position)
{
    m_position = std::clamp(position, 0.0, qreal(std::max(0, m_numberOfItems - 1)));
    updateItemViews();
}

void Carousel::stopAnimation()
{
    // stop() does not emit finished(), so the position stays where it is.
    m_animation->stop();
}

void Carousel::updateItemViews()
{
    if (m_numberOfItems == 0) {
        unloadItemsOutside(0, -1);
        return;
    }
    // The items in sight plus one on each side, so a drag never uncovers a
    // gap.
    const int first = std::max(0, int(std::floor(m_position)) - 1);
    const int last = std::min(m_numberOfItems - 1, int(std::ceil(m_position)) + 1);
    unloadItemsOutside(first, last);
    for (int index = first; index <= last; ++index) {
        if (!m_itemViews.contains(index))
            loadItem(index);
    }
    layOutItemViews();
}

void Carousel::unloadItemsOutside(int first, int last)
{
    for (auto it = m_itemViews.begin(); it != m_itemViews.end();) {
        if (it.key() < first || it.key() > last) {
            recycle(it.value());
            it = m_itemViews.erase(it);
        } else {
            ++it;
        }
    }
}

void Carousel::loadItem(int index)
{
    QWidget* reusable = m_reusableViews.isEmpty() ? nullptr : m_reusableViews.takeLast();
    QWidget* view = m_dataSource->viewForItemAtIndex(this, index, reusable);
    if (reusable && view != reusable)
        recycle(reusable);
    if (!view)
        return;
    if (view->parentWidget() != this)
        view->setParent(this);
    m_itemViews.insert(index, view);
    view->show();
}

void Carousel::recycle(QWidget* view)
{
    if (!view)
        return;
    view->hide();
    if (m_reusableViews.size() < maximumReusableViews) {
        m_reusableViews.append(view);
    } else {
        // Later, as the view may be the one whose event led here.
        view->deleteLater();
    }
}

void Carousel::discardAllViews()
{
    stopAnimation();
    for (QWidget* view : std::as_const(m_itemViews)) {
        view->hide();
        view->deleteLater();
    }
    for (QWidget* view : std::as_const(m_reusableViews))
        view->deleteLater();
    m_itemViews.clear();
    m_reusableViews.clear();
}

void Carousel::layOutItemViews()
{
    const int itemWidth = width();
    for (auto it = m_itemViews.cbegin(); it != m_itemViews.cend(); ++it) {
        const int x = int(std::lround((it.key() - m_position) * itemWidth));
        it.value()->setGeometry(x, 0, itemWidth, height());
    }
}

int Carousel::clampedIndex(int index) const
{
    return m_numberOfItems > 0 ? std::clamp(index, 0, m_numberOfItems - 1) : 0;
}

void Carousel::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    // The offset counts in items, so the current item stays aligned.
    layOutItemViews();
}

void Carousel::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || m_numberOfItems < 2) {
        QWidget::mousePressEvent(event);
        return;
    }
    stopAnimation();
    m_drag = {};
    m_drag.pressed = true;
    m_drag.startX = event->position().x();
    m_drag.startPosition = m_position;
    m_drag.startTime = event->timestamp();
    event->accept();
}

void Carousel::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_drag.pressed) {
        QWidget::mouseMoveEvent(event);
        return;
    }
    const qreal distance = event->position().x() - m_drag.startX;
    if (!m_drag.moving && std::abs(distance) < QApplication::startDragDistance())
        return;
    m_drag.moving = true;
    if (width() > 0)
        setPosition(m_drag.startPosition - distance / width());
}

void Carousel::mouseReleaseEvent(QMouseEvent* event)
{
    if (!m_drag.pressed || event->button() != Qt::LeftButton) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    const bool moved = m_drag.moving;
    const qreal distance = event->position().x() - m_drag.startX;
    const quint64 duration = event->timestamp() - m_drag.startTime;
    m_drag = {};
    if (moved)
        pageAfterDrag(distance, duration);
    else if (m_position != m_currentItemIndex)
        scrollToItemAtIndex(m_currentItemIndex, true); // a press stopped a scroll: finish it
}

void Carousel::pageAfterDrag(qreal distance, quint64 duration)
{
    const bool farEnough = std::abs(distance) > width() * pagingDragShare;
    const bool flicked = duration < flickDurationMs;
    int target = m_currentItemIndex;
    if (farEnough || flicked)
        target += distance < 0 ? 1 : -1;
    // Even when the index stays, the views glide back into line.
    scrollToItemAtIndex(target, true);
}

void Carousel::wheelEvent(QWheelEvent* event)
{
    const QPoint delta = event->angleDelta();
    if (delta.x() == 0 || std::abs(delta.y()) > std::abs(delta.x())) {
        event->ignore();
        return;
    }
    event->accept();
    // One page per notch, and none while a page is still moving, so one
    // touchpad swipe pages once.
    if (isScrolling()) {
        m_wheelDelta = 0;
        return;
    }
    m_wheelDelta += delta.x();
    if (std::abs(m_wheelDelta) < wheelStep)
        return;
    const int step = m_wheelDelta > 0 ? -1 : 1;
    m_wheelDelta = 0;
    scrollToItemAtIndex(m_currentItemIndex + step, true);
}
