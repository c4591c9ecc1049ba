#pragma once

#include <QList>
#include <QUrl>

// What the drop area asks of the view it lies on.
class FileDragableViewDelegate
{
public:
    virtual ~FileDragableViewDelegate() = default;

    // Local files dropped on the area, in drop order; may be empty.
    virtual void addFiles(const QList<QUrl>& urls) = 0;
};
