#pragma once

#include <QList>
#include <QMap>
#include <QWidget>

class CarouselDataSource;
class QVariantAnimation;

// A horizontal strip of equal item views that pages one item at a time. Each
// item is as wide and high as the carousel; the strip sits at the scroll
// offset and is clipped to the carousel.
//
// Only the current item and its neighbours (and, while scrolling, the items
// passed on the way) are loaded as child views. Views that leave that range
// go to a small pool and are offered back to the data source as
// `reusingView`.
//
// The current index changes at once when a scroll starts, animated or not:
// currentItemIndexChanged() is emitted once, before the views glide there, so
// an owner stepping with "current + 1" never loses a step to a running
// animation. Scrolling to the index that is already current emits nothing.
//
// A drag with the left button, or a quick flick, pages to the neighbour; so
// does a horizontal wheel turn. Keys are left to the owner. For assistive
// tools the carousel is a grouping named by the owner (setAccessibleName())
// and describes the position as "n of m".
class Carousel : public QWidget
{
    Q_OBJECT

public:
    explicit Carousel(QWidget* parent = nullptr);
    ~Carousel() override;

    // Not owned. Drops the views made by the previous source and reloads.
    void setDataSource(CarouselDataSource* dataSource);
    CarouselDataSource* dataSource() const { return m_dataSource; }

    // Asks the data source again for the count and the visible views. The
    // current index is kept and clamped to the new count (0 when empty).
    void reloadData();

    int numberOfItems() const { return m_numberOfItems; }
    int currentItemIndex() const { return m_currentItemIndex; }
    // One item fills the carousel.
    qreal itemWidth() const { return width(); }

    // Makes `index`, clamped to the items, current; with `animated` the views
    // glide there over a short ease-out, otherwise they move at once.
    void scrollToItemAtIndex(int index, bool animated);

    // The view shown for `index`, or null when that item is not loaded.
    QWidget* itemViewAtIndex(int index) const { return m_itemViews.value(index); }
    // An animated scroll or a drag is under way.
    bool isScrolling() const;

signals:
    void currentItemIndexChanged(int index);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    struct Drag
    {
        bool pressed = false;
        bool moving = false; // past the start distance
        qreal startX = 0;
        qreal startPosition = 0;
        quint64 startTime = 0;
    };

    void setCurrentItemIndex(int index);
    void setPosition(qreal position);
    void stopAnimation();
    void updateItemViews();
    void unloadItemsOutside(int first, int last);
    void loadItem(int index);
    void recycle(QWidget* view);
    void discardAllViews();
    void layOutItemViews();
    int clampedIndex(int index) const;
    void pageAfterDrag(qreal distance, quint64 duration);

    CarouselDataSource* m_dataSource = nullptr;
    int m_numberOfItems = 0;
    int m_currentItemIndex = 0;
    // The scroll offset in items: 1.5 puts the middle of the strip between
    // items 1 and 2 at the carousel's left edge, whatever the width.
    qreal m_position = 0;
    QMap<int, QWidget*> m_itemViews;
    QList<QWidget*> m_reusableViews;
    QVariantAnimation* m_animation;
    Drag m_drag;
    int m_wheelDelta = 0;
};
