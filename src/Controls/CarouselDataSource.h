#pragma once

class Carousel;
class QWidget;

// Supplies a carousel's items, the way a table's data source supplies rows.
class CarouselDataSource
{
public:
    virtual ~CarouselDataSource() = default;

    virtual int numberOfItemsInCarousel(Carousel* carousel) = 0;

    // A view for `index`. `reusingView` is a view this data source made
    // earlier that has scrolled out of sight, or null; returning it filled
    // for `index` saves making a new one. The carousel takes the view as its
    // child and sizes it to itself. Null leaves the item empty.
    virtual QWidget* viewForItemAtIndex(Carousel* carousel, int index, QWidget* reusingView) = 0;
};
